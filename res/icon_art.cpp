#include "res/icon_art.h"

#include <cmath>
#include <cstddef>

namespace {

struct Colour {
  double r, g, b;
};

struct Point {
  double x, y;
};

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour FromHex(uint32_t rgb) {
  return {double((rgb >> 16) & 0xFF), double((rgb >> 8) & 0xFF), double(rgb & 0xFF)};
}

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

bool InCircle(Point p, Point centre, double radius) {
  const double dx = p.x - centre.x;
  const double dy = p.y - centre.y;
  return dx * dx + dy * dy <= radius * radius;
}

bool InEllipse(Point p, Point centre, double rx, double ry) {
  const double dx = (p.x - centre.x) / rx;
  const double dy = (p.y - centre.y) / ry;
  return dx * dx + dy * dy <= 1.0;
}

template <std::size_t N>
bool InPolygon(Point p, const Point (&corners)[N]) {
  bool inside = false;
  for (std::size_t i = 0, j = N - 1; i < N; j = i++) {
    const Point a = corners[i];
    const Point b = corners[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

// The scene in unit coordinates (0..1, y downwards), centred on a round badge.
constexpr Point kCentre{0.5, 0.5};
constexpr double kBadgeRadius = 0.47;
constexpr double kRimWidth = 0.035;

// A hovering kestrel seen from below: raised, pointed wings, a fanned tail. The right half mirrors
// the left.
constexpr Point kLeftWing[] = {{0.50, 0.35},  {0.41, 0.30},   {0.31, 0.255},
                               {0.21, 0.24},  {0.125, 0.265}, {0.21, 0.295},
                               {0.31, 0.345}, {0.40, 0.41},   {0.50, 0.44}};
constexpr Point kTail[] = {
    {0.47, 0.47}, {0.53, 0.47}, {0.575, 0.625}, {0.50, 0.645}, {0.425, 0.625}};

bool InKestrel(Point p) {
  const Point mirrored{p.x < 0.5 ? p.x : 1.0 - p.x, p.y};
  return InPolygon(mirrored, kLeftWing) || InPolygon(p, kTail) ||
         InEllipse(p, {0.5, 0.40}, 0.05, 0.11) || InCircle(p, {0.5, 0.27}, 0.048);
}

// The sky darkens upwards from an amber horizon; two ridges of moorland stand in front of a low
// sun: heather behind, moss in front.
double FarRidge(double x) { return 0.655 + 0.035 * std::sin(x * 5.1 + 0.6) + 0.02 * x; }
double NearRidge(double x) { return 0.765 + 0.04 * std::sin(x * 3.7 + 2.4); }

const Colour kSkyHigh = FromHex(0x274472);
const Colour kSkyLow = FromHex(0xF2A65A);
const Colour kSun = FromHex(0xFFE2A0);
const Colour kHeather = FromHex(0x6D4C74);
const Colour kMoss = FromHex(0x35553A);
const Colour kBird = FromHex(0x3A2418);
const Colour kRim = FromHex(0x16243F);

// The colour at one point inside the badge.
Colour SceneColour(Point p) {
  const double distance = std::hypot(p.x - kCentre.x, p.y - kCentre.y);
  if (distance > kBadgeRadius - kRimWidth) return kRim;
  if (InKestrel(p)) return kBird;
  if (p.y >= NearRidge(p.x)) return kMoss;
  if (p.y >= FarRidge(p.x)) return kHeather;
  if (InCircle(p, {0.70, 0.64}, 0.12)) return kSun;
  return Mix(kSkyHigh, kSkyLow, Clamp01((p.y - 0.08) / 0.62));
}

}  // namespace

std::vector<uint8_t> RenderIconRgba(int size) {
  if (size < 1 || size > 1024) return {};
  // Small sizes get more samples per pixel: their edges are most of what is seen.
  const int samples = size <= 48 ? 8 : 4;
  std::vector<uint8_t> rgba(static_cast<std::size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0, covered = 0;
      for (int sy = 0; sy < samples; ++sy) {
        for (int sx = 0; sx < samples; ++sx) {
          const Point p{(x + (sx + 0.5) / samples) / size, (y + (sy + 0.5) / samples) / size};
          if (!InCircle(p, kCentre, kBadgeRadius)) continue;
          const Colour c = SceneColour(p);
          r += c.r;
          g += c.g;
          b += c.b;
          covered += 1;
        }
      }
      uint8_t* out = &rgba[(static_cast<std::size_t>(y) * size + x) * 4];
      if (covered == 0) continue;  // fully transparent, black
      out[0] = static_cast<uint8_t>(std::lround(r / covered));
      out[1] = static_cast<uint8_t>(std::lround(g / covered));
      out[2] = static_cast<uint8_t>(std::lround(b / covered));
      out[3] = static_cast<uint8_t>(std::lround(255.0 * covered / (samples * samples)));
    }
  }
  return rgba;
}
