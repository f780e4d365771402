#pragma once

// The drawing styles of the visual model: one record per primitive the scene
// renderer can draw. A style is one line of the style file: the primitive's
// keyword, the style's name, then its values in the order of the record's
// fields below. Lengths are in model units, angles in degrees, widths and
// point sizes in pixels.

#include <array>
#include <string>
#include <vector>

// Red, green, blue and alpha, each in [0, 1].
using Rgba = std::array<float, 4>;

// Every record names its keyword in the style file and the link type it
// serves: 1 for styles drawn around one anchor (bodies, wheels, nodes), 2 for
// styles drawn between two nodes (forces, external forces, output displacements).

struct PointStyle {
  static constexpr const char* kKeyword = "POINT";
  static constexpr int kLinkType = 1;
  std::string name = "noname";
  float pointsize = 2.0f;
  Rgba fillColor = {1.0f, 1.0f, 1.0f, 1.0f};

  bool operator==(const PointStyle&) const = default;
};

struct LineStyle {
  static constexpr const char* kKeyword = "LINE";
  static constexpr int kLinkType = 2;
  std::string name = "noname";
  float lineWidth = 2.0f;
  Rgba lineColor = {1.0f, 1.0f, 1.0f, 1.0f};

  bool operator==(const LineStyle&) const = default;
};

// A zig-zag of `subdivision` segments (0 to 1000), `width` across.
struct SpringStyle {
  static constexpr const char* kKeyword = "SPRING";
  static constexpr int kLinkType = 2;
  std::string name = "noname";
  float width = 1.0f;
  int subdivision = 10;
  float lineWidth = 2.0f;
  Rgba lineColor = {1.0f, 1.0f, 1.0f, 1.0f};

  bool operator==(const SpringStyle&) const = default;
};

// A cylinder `width` across with rods of `endLength` towards both nodes.
struct DamperStyle {
  static constexpr const char* kKeyword = "DAMPER";
  static constexpr int kLinkType = 2;
  std::string name = "noname";
  float width = 1.0f;
  float endLength = 1.0f;
  float lineWidth = 2.0f;
  Rgba lineColor = {1.0f, 1.0f, 1.0f, 1.0f};

  bool operator==(const DamperStyle&) const = default;
};

// A line with heads `width` across and `endLength` long at both ends.
struct ArrowStyle {
  static constexpr const char* kKeyword = "ARROW";
  static constexpr int kLinkType = 2;
  std::string name = "noname";
  float width = 1.0f;
  float endLength = 1.0f;
  bool filled = false;
  float lineWidth = 2.0f;
  Rgba lineColor = {1.0f, 1.0f, 1.0f, 1.0f};

  bool operator==(const ArrowStyle&) const = default;
};

// A disk drawn with 2 * `subdivision` sectors (`subdivision` 0 to 1000).
struct DiskStyle {
  static constexpr const char* kKeyword = "DISK";
  static constexpr int kLinkType = 1;
  std::string name = "noname";
  float radius = 1.0f;
  int subdivision = 10;
  float lineWidth = 2.0f;
  Rgba lineColor = {1.0f, 1.0f, 1.0f, 1.0f};
  Rgba fillColor = {0.0f, 0.0f, 0.0f, 1.0f};

  bool operator==(const DiskStyle&) const = default;
};

struct EllipseStyle {
  static constexpr const char* kKeyword = "ELLIPSE";
  static constexpr int kLinkType = 1;
  std::string name = "noname";
  float semiMajorAxis = 2.0f;  // along the rotated x axis
  float semiMinorAxis = 1.0f;
  float rotationAngle = 0.0f;
  int subdivision = 10;  // 0 to 1000, as for a disk
  float lineWidth = 2.0f;
  Rgba lineColor = {0.0f, 0.0f, 0.0f, 0.0f};
  Rgba fillColor = {1.0f, 1.0f, 1.0f, 0.0f};

  bool operator==(const EllipseStyle&) const = default;
};

// Extents are signed coordinates relative to the anchor: x from left to right,
// y from bottom to top.
struct RectangleStyle {
  static constexpr const char* kKeyword = "RECTANGLE";
  static constexpr int kLinkType = 1;
  std::string name = "noname";
  float leftExtent = 1.0f;
  float rightExtent = 1.0f;
  float bottomExtent = 1.0f;
  float topExtent = 1.0f;
  float rotationAngle = 0.0f;
  float lineWidth = 2.0f;
  Rgba lineColor = {0.0f, 0.0f, 0.0f, 0.0f};
  Rgba fillColor = {1.0f, 1.0f, 1.0f, 0.0f};

  bool operator==(const RectangleStyle&) const = default;
};

// A picture stretched over the rectangle of the extents.
struct ImageStyle {
  static constexpr const char* kKeyword = "IMAGE";
  static constexpr int kLinkType = 1;
  std::string name = "noname";
  float leftExtent = 1.0f;
  float rightExtent = 1.0f;
  float bottomExtent = 1.0f;
  float topExtent = 1.0f;
  float rotationAngle = 0.0f;
  std::string filePath = "nofile";

  bool operator==(const ImageStyle&) const = default;
};

// Reads one line of the style section (word 0 the keyword, word 1 the name,
// then the values) into `style`, starting from the record's defaults. Every
// word is examined and every problem appended to `log`; a field whose word is
// missing, unreadable or out of range keeps its default. The record is filled
// in any case; the result tells whether it is valid. Instantiated for the nine
// records above.
template <typename Style>
bool ReadStyle(const std::vector<std::string>& words, Style& style, std::string& log);
