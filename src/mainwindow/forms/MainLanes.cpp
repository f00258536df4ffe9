#include "mainwindow/forms/MainLanes.h"

#include <QFrame>
#include <QLabel>
#include <algorithm>
#include <optional>

#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/Transport.h"
#include "mainwindow/Kinetrace.h"
#include "mainwindow/Lanes.h"
#include "mainwindow/Layout.h"
#include "mainwindow/forms/Colours.h"
#include "mainwindow/forms/KinetraceView.h"
#include "mainwindow/forms/SeqLane.h"
#include "settings/Settings.h"

namespace vel {

// What the lanes and the Kinetrace took from the engine at the last tick: the lanes' inputs and
// the notes the last fade pass left to draw.
struct TLanesState {
  TLanesIn Lanes;
  TLitNotes Lit;
};

namespace {

// Under EngineLock: the playing part of every seq in use, the bar settings and the lane settings.
TLanesIn CaptureLanes() {
  TLanesIn in;
  const int32_t last = LastSeq();
  for (int32_t s = 0; s < kSeqs; ++s) {
    TLaneSeqIn& q = in.Seqs[s];
    q.InUse = s <= last;
    if (!q.InUse) continue;
    const TPartBuf& b = SeqBuf(s);
    q.RElap = b.RElap;
    q.PElap = b.PElap;
    q.TempoDiv = b.TempoDiv;
    q.Head = b.Head;
    q.SeqState = b.SeqState;
    q.Muted = b.Act.Muted;
    q.SVel = b.Act.SVel;
  }
  in.RecBeatCount = Transport.RecBeatCount;
  in.ActBeatTicks = Transport.ActBar.BeatTicks;
  in.BarTicks = Cfg.BarTicks;
  in.SQTicks = Cfg.SQTicks;
  in.SQNoteLenFrac = Cfg.SQNoteLenFrac;
  in.NoteLenFrac = Cfg.NoteLenFrac;
  in.BeatsPerBar = Cfg.BeatsPerBar;
  in.MetrSeqNo = Cfg.MetrSeqNo;
  in.DspSeqNumPosn = Cfg.DspSeqNumPosn != 0;
  in.DspSeqGrid = Cfg.DspSeqGrid != 0;
  in.DspSolidTracks = Cfg.DspSolidTracks != 0;
  in.ClSeqTrack = Cfg.ClSeqTrack;
  in.ClPosnSeq = Cfg.ClPosnSeq;
  in.ClPosnSeqMuted = Cfg.ClPosnSeqMuted;
  in.ClPosnMetrSeq = Cfg.ClPosnMetrSeq;
  in.ClPosnMetrSeqMuted = Cfg.ClPosnMetrSeqMuted;
  in.ClSeqGridTicks = Cfg.ClSeqGridTicks;
  return in;
}

// The blobs for the panel's present size. The Kinetrace's shape, size, style, tail and colours
// change only on the GUI thread (menus, settings window, settings file), so they are read here
// without the lock.
void ShowKinetrace(TKinetraceView* view, const TLanesState& state, const QFrame* panel) {
  if (!view || !Cfg.DspKinetrace) return;
  const TKinetraceGeom g = LayoutKinetraceBlobs(panel->width(), panel->height(), panel->frameWidth(),
                                                Cfg.KinetraceShape, Cfg.KinetraceSize, Cfg.KinetraceStyle);
  view->SetModel(KinetraceModel(g, Cfg.KinetraceTail, state.Lit, Cfg.ClKinetraceChan));
}

}  // namespace

TLanesAndKinetrace::TLanesAndKinetrace(const TLanesWidgets& widgets)
    : w_(widgets), state_(std::make_unique<TLanesState>()) {
  KinetraceView = new TKinetraceView(w_.Kinetrace, w_.SysPalette);
  KinetraceView->setObjectName("imgKinetrace");
}

TLanesAndKinetrace::~TLanesAndKinetrace() = default;

void TLanesAndKinetrace::LanesAndKinetraceLocked() {
  state_->Lanes = CaptureLanes();
  // Switched off, the display forgets its notes: switching on clears the counts and starts afresh.
  if (!Cfg.DspKinetrace) state_->Lit.Count = 0;
  if (!Cfg.DspKinetrace || !PlayCycle.KinetraceDirty) return;
  PlayCycle.KinetraceDirty = 0;
  const TFadeSettings fade{Cfg.KinetraceDecay, Cfg.DspStatusInterval, Cfg.CCFullPedalMin, Cfg.CCHalfPedalMin};
  const bool fading = FadeKinetrace(PlayCycle.NoteOnCounts, PlayCycle.SustainVals, fade, state_->Lit);
  PlayCycle.NoteOnCountsScroll = state_->Lit.Count - 1;
  if (fading) PlayCycle.KinetraceDirty = 1;
}

void TLanesAndKinetrace::ApplyLanesAndKinetrace() {
  // The lanes reach to the rows' end, which a resize of the window moves.
  const int32_t rowWidth = (*w_.SeqRows)[0].pnlSeq ? (*w_.SeqRows)[0].pnlSeq->width() : 0;
  const int32_t fullWidth = std::max(rowWidth - w_.Columns->SeqLaneLeft - 4, 0);
  const TLanesModel lanes = LanesModel(state_->Lanes, fullWidth);
  for (int32_t s = 0; s < kSeqs; ++s) {
    const TSeqRow& r = (*w_.SeqRows)[s];
    if (!r.SeqLane) continue;
    const TLaneModel& m = lanes.Seqs[s];
    if (r.SeqLane->width() != fullWidth + 8) r.SeqLane->resize(fullWidth + 8, TSeqLane::kHeight);
    r.SeqLane->SetModel(m);
    if (r.SeqLane->isHidden() == m.LaneVisible) r.SeqLane->setVisible(m.LaneVisible);
    if (r.lblSeqNumPosn->isHidden() == m.NumPosnVisible) r.lblSeqNumPosn->setVisible(m.NumPosnVisible);
    if (m.NumPosnVisible) {
      const QString text = QString::fromStdString(m.NumPosnText);
      if (r.lblSeqNumPosn->text() != text) r.lblSeqNumPosn->setText(text);
      SetFgColour(r.lblSeqNumPosn, ToQColor(m.PosnColour, *w_.SysPalette));
    }
  }
  ShowKinetrace(KinetraceView, *state_, w_.Kinetrace);
}

void TLanesAndKinetrace::SetKinetraceBounds() {
  QFrame* panel = w_.Kinetrace;
  std::optional<TRect> k;
  if (Cfg.DspKinetrace) {
    TGroupInput g;
    g.StartLeft = w_.SeqStatus->x();
    g.ControlW = w_.Control->width();
    g.MetrW = w_.Metr->width();
    g.ClockW = w_.Clock->width();
    g.PortsW = w_.Ports->width();
    g.ClockTop = w_.Clock->y();
    g.ClockHeight = w_.Clock->height();
    g.DspKinetrace = true;
    g.KinetracePosn = Cfg.KinetracePosn;
    k = vel::PlaceGroupBoxes(g).Kinetrace;
    if (!k) {
      const QRect p = w_.SeqStatus->geometry();
      const int32_t top0 = (*w_.SeqRows)[0].pnlSeq ? p.y() + (*w_.SeqRows)[0].pnlSeq->y() : p.y();
      const TOverSeqsInput o{Cfg.KinetracePosn,
                             top0,
                             p.y() + w_.Live->y(),
                             TRect{p.x(), p.y(), p.width(), p.height()},
                             p.x() + w_.SeqMidiActivity->x(),
                             p.x() + w_.SeqTracks->x(),
                             p.x() + w_.SeqProgs->x(),
                             p.x() + w_.SeqSVels->x(),
                             w_.Background->height()};
      k = PlaceKinetraceOverSeqs(o);
    }
  }
  panel->setVisible(k.has_value() && !w_.ConfigOutPorts->isVisible());
  if (k) {
    panel->setGeometry(k->Left, k->Top, k->Width, k->Height);
    panel->raise();
  }
  if (!KinetraceView) return;
  // The drawing lies inside the frame and draws in the panel's coordinates.
  const int32_t b = panel->frameWidth();
  const int32_t w = panel->width();
  const int32_t h = panel->height();
  KinetraceView->SetBorder(b);
  KinetraceView->setGeometry(b, b, std::max(w - 2 * b, 0), std::max(h - 2 * b, 0));
  const QImage& picture = KinetraceView->Picture();
  const bool stretch = Cfg.KinetraceImgStretch != 0;
  KinetraceView->SetPicturePlace(KinetracePictureRect(w, h, b, picture.width(), picture.height(), stretch),
                                 !Cfg.KinetraceImgFile.empty() && Cfg.KinetraceImgVisible != 0, stretch);
  ShowKinetrace(KinetraceView, *state_, w_.Kinetrace);
}

}  // namespace vel
