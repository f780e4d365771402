#include "visual/StyleRecords.h"

#include <cstddef>
#include <sstream>
#include <variant>

#include "model/TextPrepass.h"

namespace {

// What a value must satisfy beyond being readable. Colour channels always lie
// in [0, 1]; `filled` is 0 or 1.
enum class Limit { None, NonNegative, ZeroToTen, Subdivision };

// Every frame draws each subdivision of a spring, disk or ellipse, and a spring
// keeps a vertex per subdivision: a count in the billions would stall or exhaust
// the display, while a smooth circle needs no more than a few hundred.
constexpr int kMaxSubdivision = 1000;

// One value of a style line: the word that names it in messages, the record
// member it fills and its range.
template <typename Style>
struct Field {
  const char* word;
  std::variant<float Style::*, int Style::*, bool Style::*, Rgba Style::*, std::string Style::*>
      member;
  Limit limit = Limit::None;
};

// How one primitive is written in the style file and named in messages.
template <typename Style>
struct Format {
  const char* kind;     // "Point"
  const char* article;  // "A" or "An", for the missing-name message
  std::vector<Field<Style>> fields;
};

template <typename Style>
const Format<Style>& FormatOf();

template <>
const Format<PointStyle>& FormatOf() {
  static const Format<PointStyle> format{"Point",
                                         "A",
                                         {{"pointsize", &PointStyle::pointsize, Limit::ZeroToTen},
                                          {"fillColor", &PointStyle::fillColor}}};
  return format;
}

template <>
const Format<LineStyle>& FormatOf() {
  static const Format<LineStyle> format{"Line",
                                        "A",
                                        {{"line width", &LineStyle::lineWidth, Limit::ZeroToTen},
                                         {"lineColor", &LineStyle::lineColor}}};
  return format;
}

template <>
const Format<SpringStyle>& FormatOf() {
  static const Format<SpringStyle> format{
      "Spring",
      "A",
      {{"width", &SpringStyle::width, Limit::NonNegative},
       {"subdivision", &SpringStyle::subdivision, Limit::Subdivision},
       {"line width", &SpringStyle::lineWidth, Limit::ZeroToTen},
       {"lineColor", &SpringStyle::lineColor}}};
  return format;
}

template <>
const Format<DamperStyle>& FormatOf() {
  static const Format<DamperStyle> format{
      "Damper",
      "A",
      {{"width", &DamperStyle::width, Limit::NonNegative},
       {"end length", &DamperStyle::endLength, Limit::NonNegative},
       {"line width", &DamperStyle::lineWidth, Limit::ZeroToTen},
       {"lineColor", &DamperStyle::lineColor}}};
  return format;
}

template <>
const Format<ArrowStyle>& FormatOf() {
  static const Format<ArrowStyle> format{
      "Arrow",
      "An",
      {{"width", &ArrowStyle::width, Limit::NonNegative},
       {"end length", &ArrowStyle::endLength, Limit::NonNegative},
       {"filled", &ArrowStyle::filled},
       {"line width", &ArrowStyle::lineWidth, Limit::ZeroToTen},
       {"lineColor", &ArrowStyle::lineColor}}};
  return format;
}

template <>
const Format<DiskStyle>& FormatOf() {
  static const Format<DiskStyle> format{
      "Disk",
      "A",
      {{"radius", &DiskStyle::radius, Limit::NonNegative},
       {"subdivision", &DiskStyle::subdivision, Limit::Subdivision},
       {"line width", &DiskStyle::lineWidth, Limit::ZeroToTen},
       {"lineColor", &DiskStyle::lineColor},
       {"fillColor", &DiskStyle::fillColor}}};
  return format;
}

template <>
const Format<EllipseStyle>& FormatOf() {
  static const Format<EllipseStyle> format{
      "Ellipse",
      "An",
      {{"semi-major axis", &EllipseStyle::semiMajorAxis, Limit::NonNegative},
       {"semi-minor axis", &EllipseStyle::semiMinorAxis, Limit::NonNegative},
       {"rotation angle", &EllipseStyle::rotationAngle},
       {"subdivision", &EllipseStyle::subdivision, Limit::Subdivision},
       {"line width", &EllipseStyle::lineWidth, Limit::ZeroToTen},
       {"lineColor", &EllipseStyle::lineColor},
       {"fillColor", &EllipseStyle::fillColor}}};
  return format;
}

template <>
const Format<RectangleStyle>& FormatOf() {
  static const Format<RectangleStyle> format{
      "Rectangle",
      "A",
      {{"left extent", &RectangleStyle::leftExtent},
       {"right extent", &RectangleStyle::rightExtent},
       {"bottom extent", &RectangleStyle::bottomExtent},
       {"top extent", &RectangleStyle::topExtent},
       {"rotation angle", &RectangleStyle::rotationAngle},
       {"line width", &RectangleStyle::lineWidth, Limit::ZeroToTen},
       {"lineColor", &RectangleStyle::lineColor},
       {"fillColor", &RectangleStyle::fillColor}}};
  return format;
}

template <>
const Format<ImageStyle>& FormatOf() {
  static const Format<ImageStyle> format{"Image",
                                         "An",
                                         {{"left extent", &ImageStyle::leftExtent},
                                          {"right extent", &ImageStyle::rightExtent},
                                          {"bottom extent", &ImageStyle::bottomExtent},
                                          {"top extent", &ImageStyle::topExtent},
                                          {"rotation angle", &ImageStyle::rotationAngle},
                                          {"file path", &ImageStyle::filePath}}};
  return format;
}

// Stream extraction of the target type: a word that begins with a number
// converts and the rest is ignored, so "2.5" read as an integer gives 2.
template <typename Number>
bool Convert(const std::string& word, Number& value) {
  std::istringstream stream(word);
  return static_cast<bool>(stream >> value);
}

template <typename Number>
bool Within(Number value, Limit limit) {
  switch (limit) {
    case Limit::NonNegative:
      return value >= 0;
    case Limit::ZeroToTen:
      return value >= 0 && value <= 10;
    case Limit::Subdivision:
      return value >= 0 && value <= kMaxSubdivision;
    case Limit::None:
      break;
  }
  return true;
}

std::size_t WordCount(const Rgba&) {
  return 4;
}
template <typename Value>
std::size_t WordCount(const Value&) {
  return 1;
}

const char* MissingSuffix(const Rgba&) {
  return " (float[4])";
}
template <typename Value>
const char* MissingSuffix(const Value&) {
  return "";
}

// Reads the values of one style line in file order, logging every problem
// against the style's kind and name.
class LineReader {
 public:
  LineReader(const std::vector<std::string>& lineWords, const char* styleKind,
             std::string& findings)
      : words(lineWords), kind(styleKind), log(findings) {}

  bool Valid() const { return valid; }

  void ReadName(const char* article, std::string& name) {
    if (words.size() < 2) {
      log += std::string("Error - ") + article + " " + kind + " has no name!\n";
      valid = false;
      return;
    }
    name = words[1];
    // Only ever shown between quotes: shortened and escaped like every word quoted.
    styleName = Excerpt(name);
  }

  // The value starts at `first`; the line must hold all of its words.
  template <typename Value>
  void ReadValue(const char* word, std::size_t first, Limit limit, Value& target) {
    if (words.size() < first + WordCount(target)) {
      log += std::string("Error - ") + kind + " '" + styleName + "' has no " + word +
             MissingSuffix(target) + " information!\n";
      valid = false;
      return;
    }
    Parse(word, first, limit, target);
  }

  void WarnSurplus(std::size_t used) {
    if (words.size() <= used) return;
    log += std::string("Warning - ") + kind + " '" + styleName +
           "' has more parameters, than needed. ";
    log += words.size() == used + 1 ? "Word: '" : "Words: '";
    for (std::size_t i = used; i < words.size(); ++i) {
      if (i > used) log += "', '";
      log += Excerpt(words[i]);
    }
    log += words.size() == used + 1 ? "' is not used!\n" : "' are not used!\n";
  }

 private:
  void Fail(const std::string& problem) {
    log += "Error - " + problem + " in " + kind + " '" + styleName + "'!\n";
    valid = false;
  }

  void Parse(const char* word, std::size_t first, Limit limit, float& target) {
    float value = 0.0f;
    if (!Convert(words[first], value)) {
      Fail(std::string("Cannot convert ") + word + " from string to float");
    } else if (!Within(value, limit)) {
      Fail(std::string("Invalid value for ") + word);
    } else {
      target = value;
    }
  }

  void Parse(const char* word, std::size_t first, Limit limit, int& target) {
    int value = 0;
    if (!Convert(words[first], value)) {
      Fail(std::string("Cannot convert ") + word + " from string to integer");
    } else if (!Within(value, limit)) {
      Fail(std::string("Invalid value for ") + word);
    } else {
      target = value;
    }
  }

  // Any integer other than 0 or 1 only warns and leaves the flag as it was.
  void Parse(const char* word, std::size_t first, Limit, bool& target) {
    int value = 0;
    if (!Convert(words[first], value)) {
      Fail(std::string("Cannot convert ") + word + " from string to integer (0 or 1)");
    } else if (value != 0 && value != 1) {
      log += std::string("Warning - Invalid value for ") + word + " in " + kind + " '" + styleName +
             "'!\n";
    } else {
      target = value == 1;
    }
  }

  // One conversion message for the four words; then every channel that did
  // convert is checked on its own.
  void Parse(const char* word, std::size_t first, Limit, Rgba& target) {
    static const char* const kChannels[] = {"Red", "Green", "Blue", "Alpha"};
    Rgba value = target;
    bool converted[4] = {};
    bool allConverted = true;
    for (std::size_t c = 0; c < 4; ++c) {
      converted[c] = Convert(words[first + c], value[c]);
      allConverted = allConverted && converted[c];
    }
    if (!allConverted) {
      Fail(std::string("Cannot convert ") + word + " from string[4] to float[4]");
    }
    bool inRange = true;
    for (std::size_t c = 0; c < 4; ++c) {
      if (converted[c] && (value[c] < 0.0f || value[c] > 1.0f)) {
        Fail(std::string("Invalid value for ") + word + "(" + kChannels[c] + ")");
        inRange = false;
      }
    }
    if (allConverted && inRange) target = value;
  }

  void Parse(const char*, std::size_t first, Limit, std::string& target) { target = words[first]; }

  const std::vector<std::string>& words;
  const char* kind;
  std::string& log;
  std::string styleName = "noname";
  bool valid = true;
};

}  // namespace

template <typename Style>
bool ReadStyle(const std::vector<std::string>& words, Style& style, std::string& log) {
  const Format<Style>& format = FormatOf<Style>();
  style = Style{};
  LineReader reader(words, format.kind, log);
  reader.ReadName(format.article, style.name);
  std::size_t next = 2;
  for (const Field<Style>& field : format.fields) {
    std::visit(
        [&](auto member) {
          auto& target = style.*member;
          reader.ReadValue(field.word, next, field.limit, target);
          next += WordCount(target);
        },
        field.member);
  }
  reader.WarnSurplus(next);
  return reader.Valid();
}

template bool ReadStyle(const std::vector<std::string>&, PointStyle&, std::string&);
template bool ReadStyle(const std::vector<std::string>&, LineStyle&, std::string&);
template bool ReadStyle(const std::vector<std::string>&, SpringStyle&, std::string&);
template bool ReadStyle(const std::vector<std::string>&, DamperStyle&, std::string&);
template bool ReadStyle(const std::vector<std::string>&, ArrowStyle&, std::string&);
template bool ReadStyle(const std::vector<std::string>&, DiskStyle&, std::string&);
template bool ReadStyle(const std::vector<std::string>&, EllipseStyle&, std::string&);
template bool ReadStyle(const std::vector<std::string>&, RectangleStyle&, std::string&);
template bool ReadStyle(const std::vector<std::string>&, ImageStyle&, std::string&);
