#include "gui/window_picture.h"

#include <QFontMetrics>
#include <QHash>
#include <QList>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace ravix::gui {
namespace {

constexpr int kBorder = 1;

int TitleHeight(const QWidget& window) { return window.fontMetrics().height() + 10; }

}  // namespace

QRect WindowPictureRect(const QWidget& window) {
  return window.geometry().adjusted(-kBorder, -kBorder - TitleHeight(window), kBorder, kBorder);
}

QPixmap WindowPicture(QWidget& window) {
  const QPixmap contents = window.grab();
  const int title = TitleHeight(window);
  const QSize size = WindowPictureRect(window).size();
  QPixmap picture(size);
  picture.fill(QColor(0x2b, 0x4a, 0x6f));
  QPainter painter(&picture);
  painter.drawPixmap(kBorder, kBorder + title, contents);
  painter.setPen(Qt::white);
  QFont font = window.font();
  font.setBold(true);
  painter.setFont(font);
  // The caption as it is, blanks included; an empty caption leaves the bar empty.
  const QRect bar(kBorder + 8, kBorder, size.width() - 2 * kBorder - 16, title);
  painter.drawText(bar, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, window.windowTitle());
  return picture;
}

QImage Compact(const QPixmap& picture) {
  const QImage image = picture.toImage().convertToFormat(QImage::Format_RGB32);
  // The 256 most frequent colours: the flat backgrounds and frames stay exact, the
  // few shades of smoothed text edges go to their nearest.
  QHash<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) ++counts[line[x]];
  }
  std::vector<std::pair<int, QRgb>> ranked;
  ranked.reserve(static_cast<size_t>(counts.size()));
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) ranked.emplace_back(it.value(), it.key());
  std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  QList<QRgb> table;
  for (size_t i = 0; i < ranked.size() && i < 256; ++i) table.push_back(ranked[i].second);
  return image.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither | Qt::AvoidDither);
}

}  // namespace ravix::gui
