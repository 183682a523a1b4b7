#pragma once
// The bar of a slot's gauge: a progress bar whose chunk takes the gauge's
// colour and whose percentage stays legible over both parts: over the chunk
// in white or black, whichever stands out more from its colour, over the
// empty part in the dark text colour.
#include <QColor>
#include <QProgressBar>

class TGaugeBar : public QProgressBar {
  Q_OBJECT
 public:
  explicit TGaugeBar(QWidget* parent = nullptr);

  void SetChunkColor(const QColor& color);
  QColor ChunkColor() const { return chunk_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor chunk_ = Qt::blue;
};

// White or black, whichever contrasts more with `background` (the ratio of
// relative luminances that legibility guidelines use).
QColor TextColorOver(const QColor& background);
