#pragma once
// Raw files of a digital level made up for tests and benchmarks: levelling lines between section
// points of given heights, each section run in a number of set-ups over numbered turning points,
// written as DiNi M5 or GSI-8 records. The generator keeps the section dh and length that an
// independent reduction of its own readings gives (readings rounded as the file writes them).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orvane::rawgen {

struct Station {
  std::string name;
  double height = 0;
};

struct ExpectedSection {
  std::string from, to;
  double dh = 0;      // sum of (back - fore) of the rounded readings, m
  double length = 0;  // m
  int setups = 0;
};

class RawWriter {
 public:
  enum class Format { M5, Gsi8 };
  explicit RawWriter(Format format, std::uint32_t seed = 12345) : format_(format), seed_(seed) {}

  // One line through `stations`, `setups` set-ups per section; `blunder` (m) is added to the
  // fore reading of the first set-up of section `blunderSection` (-1: none).
  void Line(const std::vector<Station>& stations, int setups, int blunderSection = -1, double blunder = 0) {
    if (format_ == Format::M5) M5("TO  Start-Line         BF", "", "", "");
    else Gsi("410000+?......1");
    Height(stations[0].name, stations[0].height);
    for (std::size_t s = 0; s + 1 < stations.size(); ++s) {
      ExpectedSection section{stations[s].name, stations[s + 1].name, 0, 0, setups};
      const double step = (stations[s + 1].height - stations[s].height) / setups;
      double height = stations[s].height;
      std::string back = stations[s].name;
      for (int k = 0; k < setups; ++k) {
        const bool last = k + 1 == setups;
        const std::string fore = last ? stations[s + 1].name : std::to_string(++turning_);
        const double b = Round(1.0 + Random() * 1.5);
        double f = Round(b - step);
        if (static_cast<int>(s) == blunderSection && k == 0) f = Round(f - blunder);
        const double db = Round2(15 + Random() * 20), df = Round2(15 + Random() * 20);
        Reading(back, b, db, true);
        Reading(fore, f, df, false);
        height += b - f;
        Height(fore, height);
        section.dh += b - f;
        section.length += db + df;
        back = fore;
      }
      expected.push_back(section);
    }
    if (format_ == Format::M5) M5("TO  End-Line", "", "", "");
  }

  std::string text;
  std::vector<ExpectedSection> expected;
  int lines = 0;

 private:
  double Random() {
    seed_ = seed_ * 1664525u + 1013904223u;
    return static_cast<double>(seed_ >> 8) / 16777216.0;
  }
  static double Round(double v) { return std::round(v * 1e5) / 1e5; }   // M5 and GSI unit 8
  static double Round2(double v) { return std::round(v * 1e3) / 1e3; }  // sight lengths to 1 mm

  void M5(const std::string& info, const std::string& v1, const std::string& v2, const std::string& v3) {
    char buffer[200];
    std::snprintf(buffer, sizeof buffer, "For M5|Adr %5d|%-30s|%-22s|%-22s|%-22s|\r\n", ++lines % 100000, info.c_str(), v1.c_str(),
                  v2.c_str(), v3.c_str());
    text += buffer;
  }
  void Gsi(const std::string& body) {
    text += body;
    text += " \r\n";
    ++lines;
  }
  std::string Block() {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "11%04d+", ++block_ % 10000);
    return buffer;
  }
  static std::string Padded(const std::string& name, std::size_t width, char pad) {
    return name.size() >= width ? name : std::string(width - name.size(), pad) + name;
  }
  static std::string Digits(double metres, double unit, int width) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%c%0*lld", metres < 0 ? '-' : '+', width, static_cast<long long>(std::llround(std::fabs(metres) / unit)));
    return buffer;
  }
  void Reading(const std::string& point, double value, double distance, bool back) {
    char v1[40], v2[40];
    if (format_ == Format::M5) {
      std::snprintf(v1, sizeof v1, "%s %14.5f m", back ? "Rb" : "Rf", value);
      std::snprintf(v2, sizeof v2, "HD %14.3f m", distance);
      M5("KD1" + Padded(point, 9, ' ') + "  12:00:000", v1, v2, "");
    } else {
      Gsi(Block() + Padded(point, 8, '0') + " 32...8" + Digits(distance, 1e-5, 8) + (back ? " 331.08" : " 332.08") + Digits(value, 1e-5, 8));
    }
  }
  void Height(const std::string& point, double height) {
    if (format_ == Format::M5) {
      char v3[40];
      std::snprintf(v3, sizeof v3, "Z  %14.5f m", height);
      M5("KD1" + Padded(point, 9, ' '), "", "", v3);
    } else {
      Gsi(Block() + Padded(point, 8, '0') + " 83...6" + Digits(height, 1e-4, 8));
    }
  }

  Format format_;
  std::uint32_t seed_;
  int turning_ = 0;
  int block_ = 0;
};

}  // namespace orvane::rawgen
