#include "quasigeoid/gui/contour_map.h"

#include <QColor>
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "quasigeoid/model_grid.h"

namespace solvanta::gui {

namespace {

// Blue over green and yellow to red: low to high.
QColor RampColour(double t) {
  t = std::clamp(t, 0.0, 1.0);
  static const QColor stops[] = {QColor(40, 60, 170),  QColor(40, 150, 220), QColor(70, 190, 110),
                                 QColor(230, 220, 80), QColor(235, 140, 50), QColor(190, 40, 40)};
  constexpr int n = static_cast<int>(std::size(stops)) - 1;
  const double x = t * n;
  const int i = std::min(static_cast<int>(x), n - 1);
  const double f = x - i;
  const QColor& a = stops[i];
  const QColor& b = stops[i + 1];
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * f),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * f),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * f));
}

}  // namespace

QImage ContourMap(const ModelGrid& grid, int step, double interval) {
  step = std::max(step, 1);
  const int width = (kGridColumns - 1) / step + 1;
  const int height = (kGridRows - 1) / step + 1;
  std::vector<double> metres(static_cast<std::size_t>(width) * height);
  double low = INFINITY;
  double high = -INFINITY;
  for (int y = 0; y < height; ++y) {
    const int row = (height - 1 - y) * step;  // north up
    for (int x = 0; x < width; ++x) {
      const std::int32_t v = grid.At(row, x * step);
      // A node without data stays blank (NaN); the colour scale spans the nodes with data.
      const double n = v == kNoData ? NAN : v * static_cast<double>(kGridUnit);
      metres[static_cast<std::size_t>(y) * width + x] = n;
      if (v == kNoData) continue;
      low = std::min(low, n);
      high = std::max(high, n);
    }
  }
  QImage image(width, height, QImage::Format_RGB32);
  const double span = high > low ? high - low : 1.0;
  auto band = [&](int x, int y) {
    const double n = metres[static_cast<std::size_t>(y) * width + x];
    return std::isnan(n) ? LONG_MIN : static_cast<long>(std::floor(n / interval));
  };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double n = metres[static_cast<std::size_t>(y) * width + x];
      if (std::isnan(n)) {
        image.setPixel(x, y, qRgb(255, 255, 255));
        continue;
      }
      // Colour of the band's middle, so that the bands read as steps of the map.
      const double banded = (std::floor(n / interval) + 0.5) * interval;
      QColor colour = RampColour((banded - low) / span);
      // A contour where the band changes towards the right or downward neighbour.
      const long here = band(x, y);
      if ((x + 1 < width && band(x + 1, y) != here) || (y + 1 < height && band(x, y + 1) != here)) {
        colour = colour.darker(190);
      }
      image.setPixel(x, y, colour.rgb());
    }
  }
  return image;
}

}  // namespace solvanta::gui
