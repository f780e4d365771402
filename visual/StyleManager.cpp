#include "visual/StyleManager.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <sstream>

#include "model/TextInput.h"
#include "model/TextPrepass.h"

namespace {

// The model's components as the links read them.
struct Model {
  const std::vector<Body>& bodies;
  const std::vector<Wheel>& wheels;
  const std::vector<Node>& nodes;
  const std::vector<Force>& forces;
  const std::vector<ExtForce>& extForces;
  const std::vector<Outdisp>& outdisps;
  const std::vector<DofEntry>& dofList;
};

enum class ComponentList { Body, Wheel, Node, Force, ExtForce, Outdisp };

// A component kind as the LINKS section names it and as its warnings call it.
struct ComponentKind {
  const char* keyword;
  const char* label;
  ComponentList list;
  int linkType;  // the link type of the styles it accepts
};

constexpr ComponentKind kComponentKinds[] = {
    {"BODY", "Body", ComponentList::Body, 1},
    {"WHEEL", "Wheel", ComponentList::Wheel, 1},
    {"NODE", "Node", ComponentList::Node, 1},
    {"FORCE", "Force", ComponentList::Force, 2},
    {"EXTFORCE", "ExtForce", ComponentList::ExtForce, 2},
    {"OUTDISP", "OutDisp", ComponentList::Outdisp, 2},
};

const ComponentKind* FindComponentKind(const std::string& keyword) {
  for (const ComponentKind& kind : kComponentKinds) {
    if (keyword == kind.keyword) return &kind;
  }
  return nullptr;
}

// The component a link belongs to, by list and position. A wheel's link
// carries "BODY" for the display, but it still belongs to the wheel.
struct Owner {
  ComponentList list;
  int index;
  bool operator==(const Owner&) const = default;
};

// Where a style of some name was found; `kind` is null when nowhere.
struct FoundStyle {
  const char* kind = nullptr;
  int index = 0;
  int linkType = 0;
};

// One end of a link: a body's centre and freedoms, and a node's offset on it.
struct LinkEnd {
  double refX = 0.0;
  double refY = 0.0;
  double offX = 0.0;
  double offY = 0.0;
  std::array<int, 3> dofs = {-1, -1, -1};  // X, Y, R
};

// Positions of the body's X, Y and R freedoms in the DOF list, -1 for each it lacks.
std::array<int, 3> DofPositions(const std::vector<DofEntry>& dofList, int body) {
  static const char kKinds[] = {'X', 'Y', 'R'};
  std::array<int, 3> positions = {-1, -1, -1};
  for (std::size_t i = 0; i < dofList.size(); ++i) {
    if (dofList[i].body != body) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      if (dofList[i].kind == kKinds[k]) positions[k] = static_cast<int>(i);
    }
  }
  return positions;
}

LinkEnd BodyEnd(const Model& model, int body) {
  LinkEnd end;
  end.refX = model.bodies[body].centerX;
  end.refY = model.bodies[body].centerY;
  end.dofs = DofPositions(model.dofList, body);
  return end;
}

LinkEnd NodeEnd(const Model& model, int node) {
  LinkEnd end = BodyEnd(model, model.nodes[node].body);
  end.offX = model.nodes[node].relX;
  end.offY = model.nodes[node].relY;
  return end;
}

void SetFirstEnd(StyleLink& link, const LinkEnd& end) {
  link.refX1 = static_cast<float>(end.refX);
  link.refY1 = static_cast<float>(end.refY);
  link.offX1 = static_cast<float>(end.offX);
  link.offY1 = static_cast<float>(end.offY);
  link.dofX1 = end.dofs[0];
  link.dofY1 = end.dofs[1];
  link.dofR1 = end.dofs[2];
}

void SetSecondEnd(StyleLink& link, const LinkEnd& end) {
  link.refX2 = static_cast<float>(end.refX);
  link.refY2 = static_cast<float>(end.refY);
  link.offX2 = static_cast<float>(end.offX);
  link.offY2 = static_cast<float>(end.offY);
  link.dofX2 = end.dofs[0];
  link.dofY2 = end.dofs[1];
  link.dofR2 = end.dofs[2];
}

StyleLink OneEndLink(const std::string& name, const LinkEnd& end) {
  StyleLink link;
  link.linkType = 1;
  link.componentName = name;
  SetFirstEnd(link, end);
  return link;
}

// Forces, external forces and output displacements: from the first to the second node.
template <typename NodePair>
StyleLink TwoEndLink(const Model& model, const NodePair& pair, const char* componentKind) {
  StyleLink link;
  link.linkType = 2;
  link.componentName = pair.name;
  link.componentKind = componentKind;
  SetFirstEnd(link, NodeEnd(model, pair.firstNode));
  SetSecondEnd(link, NodeEnd(model, pair.secondNode));
  return link;
}

// Distance between the undeformed positions of the pair's two nodes.
template <typename NodePair>
double PairLength(const Model& model, const NodePair& pair) {
  const LinkEnd first = NodeEnd(model, pair.firstNode);
  const LinkEnd second = NodeEnd(model, pair.secondNode);
  return std::hypot(second.refX + second.offX - first.refX - first.offX,
                    second.refY + second.offY - first.refY - first.offY);
}

// A frame around the body's centre that takes in every node on the body.
RectangleStyle DefaultRectangle(const Model& model, int body) {
  RectangleStyle style;
  style.name = "DefaultRectangle" + std::to_string(body);
  style.leftExtent = style.bottomExtent = -0.1f;
  style.rightExtent = style.topExtent = 0.1f;
  for (const Node& node : model.nodes) {
    if (node.body != body) continue;
    const float x = static_cast<float>(node.relX);
    const float y = static_cast<float>(node.relY);
    style.leftExtent = std::min(style.leftExtent, x);
    style.rightExtent = std::max(style.rightExtent, x);
    style.bottomExtent = std::min(style.bottomExtent, y);
    style.topExtent = std::max(style.topExtent, y);
  }
  style.rotationAngle = 0.0f;
  style.lineWidth = 1.0f;
  style.lineColor = {0.1f, 0.1f, 0.1f, 1.0f};
  style.fillColor = {1.0f, 1.0f, 1.0f, 1.0f};
  return style;
}

PointStyle DefaultPoint(int node) {
  PointStyle style;
  style.name = "DefaultPoint" + std::to_string(node);
  style.pointsize = 5.0f;
  style.fillColor = {1.0f, 0.0f, 0.0f, 1.0f};
  return style;
}

// Spring and arrow sizes follow the length of the element they draw.
SpringStyle DefaultSpring(const Model& model, int force) {
  SpringStyle style;
  style.name = "DefaultSpring" + std::to_string(force);
  style.width = static_cast<float>(PairLength(model, model.forces[force]) / 8.0);
  style.subdivision = 15;
  style.lineWidth = 1.5f;
  style.lineColor = {0.0f, 0.1f, 0.0f, 1.0f};
  return style;
}

ArrowStyle DefaultArrow(const Model& model, const ExtForce& pair, const std::string& name,
                        bool filled) {
  const double length = PairLength(model, pair);
  ArrowStyle style;
  style.name = name;
  style.width = static_cast<float>(length / 8.0);
  style.endLength = static_cast<float>(1.6 * length / 8.0);
  style.filled = filled;
  style.lineWidth = 1.5f;
  style.lineColor = {1.0f, 0.5f, 0.0f, 1.0f};
  return style;
}

template <typename Record>
int PositionOf(const std::vector<Record>& list, const std::string& name) {
  const int position = FindByName(list, name);
  return position < static_cast<int>(list.size()) ? position : -1;
}

// Builds the style lists and links of one Create call.
class VisualModelBuilder {
 public:
  VisualModelBuilder(const Model& components, std::string& findings,
                     StyleManager::StyleLists& styleLists, std::vector<StyleLink>& linkList)
      : model(components), log(findings), styles(styleLists), links(linkList) {}

  void CreateDefaults() {
    for (int i = 0; i < Count(model.bodies); ++i) {
      AddDefault(DefaultRectangle(model, i), {ComponentList::Body, i});
    }
    for (int i = 0; i < Count(model.nodes); ++i) {
      AddDefault(DefaultPoint(i), {ComponentList::Node, i});
    }
    for (int i = 0; i < Count(model.forces); ++i) {
      AddDefault(DefaultSpring(model, i), {ComponentList::Force, i});
    }
    for (int i = 0; i < Count(model.extForces); ++i) {
      const std::string name = "DefaultFilledArrow" + std::to_string(i);
      AddDefault(DefaultArrow(model, model.extForces[i], name, true), {ComponentList::ExtForce, i});
    }
    for (int i = 0; i < Count(model.outdisps); ++i) {
      const std::string name = "DefaultArrow" + std::to_string(i);
      AddDefault(DefaultArrow(model, model.outdisps[i], name, false), {ComponentList::Outdisp, i});
    }
  }

  bool ReadFile(const std::string& fileName) {
    std::ifstream file;
    const TextInputState state = OpenTextInput(fileName, kModelFileLimit, file);
    if (state == TextInputState::Missing) {
      log += "File '" + fileName + "' not exists!\n";
      return false;
    }
    if (state != TextInputState::Opened) {
      log += "Error - " + TextInputProblem(state, fileName, kModelFileLimit) + "!\n";
      return false;
    }
    std::stringstream text;
    StripComments(file, text);
    file.close();
    return Parse(text);
  }

  // Keeps only the last link of every component, in list order: a user link
  // replaces the default one, and the last of several user links wins.
  void RemoveDuplicateLinks() {
    std::vector<StyleLink> kept;
    for (std::size_t i = 0; i < links.size(); ++i) {
      const auto later = owners.begin() + static_cast<std::ptrdiff_t>(i) + 1;
      if (std::find(later, owners.end(), owners[i]) == owners.end()) kept.push_back(links[i]);
    }
    links = std::move(kept);
    owners.clear();
  }

 private:
  template <typename Record>
  static int Count(const std::vector<Record>& list) {
    return static_cast<int>(list.size());
  }

  bool Parse(std::istream& text) {
    if (!FindKeyword(text, "BEGIN")) {
      log += "Error - Keyword BEGIN not found.\n";
      return false;
    }
    const bool stylesValid = ReadStyleSection(text);
    if (!FindKeyword(text, "LINKS")) {
      log += "Error - Keyword LINKS not found!\n";
      return false;
    }
    ReadLinkSection(text);
    return stylesValid;
  }

  // True when the section ended at END and every style in it was valid.
  bool ReadStyleSection(std::istream& text) {
    int valid = 0;
    int invalid = 0;
    bool ended = false;
    std::vector<std::string> words;
    while (ReadLine(text, words)) {
      if (words.empty()) continue;
      if (words[0] == "END") {
        ended = true;
        break;
      }
      ++(ReadStyleLine(words) ? valid : invalid);
    }
    log += "Number of valid user defined styles: " + std::to_string(valid) + "\n";
    log += "Number of invalid user defined styles: " + std::to_string(invalid) + "\n";
    if (!ended) log += "Error - Keyword END not found!\n";
    return ended && invalid == 0;
  }

  bool ReadStyleLine(const std::vector<std::string>& words) {
    bool valid = false;
    const bool known = std::apply(
        [&](auto&... lists) { return (TryReadStyle(lists, words, valid) || ...); }, styles);
    if (!known) log += "Error - Unknown keyword: " + words[0] + "!\n";
    return known && valid;
  }

  template <typename Style>
  bool TryReadStyle(std::vector<Style>& list, const std::vector<std::string>& words, bool& valid) {
    if (words[0] != Style::kKeyword) return false;
    Style style;
    valid = ReadStyle(words, style, log);
    list.push_back(std::move(style));
    return true;
  }

  // Invalid links only warn and are counted.
  void ReadLinkSection(std::istream& text) {
    int valid = 0;
    int invalid = 0;
    std::vector<std::string> words;
    while (ReadLine(text, words)) {
      if (words.size() < 3) continue;
      ++(ReadLink(words[0], words[1], words[2]) ? valid : invalid);
    }
    log += "Number of valid user defined style links: " + std::to_string(valid) + "\n";
    log += "Number of invalid user defined styles links: " + std::to_string(invalid) + "\n";
  }

  // Every check is made, so a line may warn about its component, its style or both.
  bool ReadLink(const std::string& keyword, const std::string& componentName,
                const std::string& styleName) {
    const ComponentKind* kind = FindComponentKind(keyword);
    if (kind == nullptr) {
      log += "Warning - Unknown keyword: " + keyword + "!\n";
      return false;
    }
    bool valid = true;
    const int index = FindComponent(kind->list, componentName);
    if (index < 0) {
      log += std::string("Warning - ") + kind->label + ": " + QuotedExcerpt(componentName) +
             " not exists!\n";
      valid = false;
    }
    const FoundStyle style = FindStyle(styleName);
    if (style.kind == nullptr) {
      log += "Warning - Style: " + QuotedExcerpt(styleName) + " not exists!\n";
      valid = false;
    } else if (style.linkType != kind->linkType) {
      log += "Warning - Style: " + QuotedExcerpt(styleName) + " is not compatible with " +
             kind->label + ": " + QuotedExcerpt(componentName) + "!\n";
      valid = false;
    }
    if (valid) AddLink(ComponentLink({kind->list, index}), styleName, style, {kind->list, index});
    return valid;
  }

  int FindComponent(ComponentList list, const std::string& name) const {
    switch (list) {
      case ComponentList::Body:
        return PositionOf(model.bodies, name);
      case ComponentList::Wheel:
        return PositionOf(model.wheels, name);
      case ComponentList::Node:
        return PositionOf(model.nodes, name);
      case ComponentList::Force:
        return PositionOf(model.forces, name);
      case ComponentList::ExtForce:
        return PositionOf(model.extForces, name);
      case ComponentList::Outdisp:
        return PositionOf(model.outdisps, name);
    }
    return -1;
  }

  // Searches the lists in this order and takes the first list that holds the
  // name; within a list the first style of that name.
  FoundStyle FindStyle(const std::string& name) const {
    return FindStyleIn<PointStyle, LineStyle, SpringStyle, ArrowStyle, DamperStyle, DiskStyle,
                       EllipseStyle, RectangleStyle, ImageStyle>(name);
  }

  template <typename... Styles>
  FoundStyle FindStyleIn(const std::string& name) const {
    FoundStyle found;
    static_cast<void>((TryFindStyle<Styles>(name, found) || ...));
    return found;
  }

  template <typename Style>
  bool TryFindStyle(const std::string& name, FoundStyle& found) const {
    const int index = PositionOf(std::get<std::vector<Style>>(styles), name);
    if (index < 0) return false;
    found = {Style::kKeyword, index, Style::kLinkType};
    return true;
  }

  // The placement part of the component's link.
  StyleLink ComponentLink(Owner owner) {
    const int i = owner.index;
    switch (owner.list) {
      case ComponentList::Body: {
        StyleLink link = OneEndLink(model.bodies[i].name, BodyEnd(model, i));
        link.componentKind = "BODY";
        return link;
      }
      case ComponentList::Wheel:
        return WheelLink(i);
      case ComponentList::Node: {
        StyleLink link = OneEndLink(model.nodes[i].name, NodeEnd(model, i));
        link.componentKind = "NODE";
        return link;
      }
      case ComponentList::Force:
        return TwoEndLink(model, model.forces[i], "FORCE");
      case ComponentList::ExtForce:
        return TwoEndLink(model, model.extForces[i], "EXTFORCE");
      case ComponentList::Outdisp:
        return TwoEndLink(model, model.outdisps[i], "OUTDISP");
    }
    return StyleLink{};
  }

  // A wheel is drawn on its body, shown and hidden with the bodies. Its
  // rotation is the vehicle system's wheelset rotation, which the drawing state
  // holds after the linear freedoms, one entry per wheel.
  StyleLink WheelLink(int wheel) {
    const Wheel& record = model.wheels[wheel];
    StyleLink link = OneEndLink(record.name, BodyEnd(model, record.parentBody));
    link.componentKind = "BODY";
    if (link.dofR1 != -1) {
      log += "Warning: Wheel '" + record.name +
             "' has rotational DoF, which is now being replaced by nonlinear solver!\n";
    }
    link.dofR1 = Count(model.dofList) + wheel;
    return link;
  }

  template <typename Style>
  void AddDefault(Style style, Owner owner) {
    auto& list = std::get<std::vector<Style>>(styles);
    const FoundStyle found{Style::kKeyword, Count(list), Style::kLinkType};
    const std::string name = style.name;
    list.push_back(std::move(style));
    AddLink(ComponentLink(owner), name, found, owner);
  }

  void AddLink(StyleLink link, const std::string& styleName, const FoundStyle& style, Owner owner) {
    link.styleName = styleName;
    link.styleKind = style.kind;
    link.styleIndex = style.index;
    links.push_back(std::move(link));
    owners.push_back(owner);
  }

  const Model& model;
  std::string& log;
  StyleManager::StyleLists& styles;
  std::vector<StyleLink>& links;
  std::vector<Owner> owners;  // parallel to `links`
};

}  // namespace

bool StyleManager::Create(const std::string& styleFileName, const std::vector<Body>& bodies,
                          const std::vector<Wheel>& wheels, const std::vector<Node>& nodes,
                          const std::vector<Force>& forces, const std::vector<ExtForce>& extForces,
                          const std::vector<Outdisp>& outdisps,
                          const std::vector<DofEntry>& dofList) {
  log = "***** StyleManager Log *****\n\n";
  styles = StyleLists{};
  links.clear();
  const Model model{bodies, wheels, nodes, forces, extForces, outdisps, dofList};
  VisualModelBuilder builder(model, log, styles, links);
  builder.CreateDefaults();
  const bool read = builder.ReadFile(styleFileName);
  builder.RemoveDuplicateLinks();
  return read;
}
