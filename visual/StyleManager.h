#pragma once

// How the graphics display draws the linear model: named drawing styles, one
// list per primitive, and links that bind one style to one model component
// with everything needed to place it on the deformed model.

#include <string>
#include <tuple>
#include <vector>

#include "model/Components.h"
#include "visual/StyleRecords.h"

// One style bound to one component. Positions are in model units; the DOF
// fields are positions in the drawing state (the DOF list, followed by one
// rotation per wheel), -1 where the body has no such freedom.
struct StyleLink {
  int linkType = 0;  // 1: drawn around one anchor; 2: drawn between two nodes
  std::string styleName;
  std::string styleKind;  // keyword of the style's list, e.g. "RECTANGLE"
  int styleIndex = 0;     // position in that list
  std::string componentName;
  // "BODY" (also for wheels, shown and hidden with the bodies), "NODE", "FORCE",
  // "EXTFORCE" or "OUTDISP".
  std::string componentKind;
  // Centres of mass of the first and second body.
  float refX1 = 0.0f;
  float refY1 = 0.0f;
  float refX2 = 0.0f;
  float refY2 = 0.0f;
  // The first and second node relative to their bodies.
  float offX1 = 0.0f;
  float offY1 = 0.0f;
  float offX2 = 0.0f;
  float offY2 = 0.0f;
  // The X, Y and R freedoms of the first and second body.
  int dofX1 = -1;
  int dofY1 = -1;
  int dofR1 = -1;
  int dofX2 = -1;
  int dofY2 = -1;
  int dofR2 = -1;
};

class StyleManager {
 public:
  // The nine style lists, one per primitive.
  using StyleLists =
      std::tuple<std::vector<PointStyle>, std::vector<LineStyle>, std::vector<SpringStyle>,
                 std::vector<DamperStyle>, std::vector<ArrowStyle>, std::vector<DiskStyle>,
                 std::vector<EllipseStyle>, std::vector<RectangleStyle>, std::vector<ImageStyle>>;

  // Gives every body, node, force, external force and output displacement a
  // default style and link, reads the style file and keeps only the last link
  // of every component. False when the file is missing, a keyword is missing
  // or a style is invalid; the lists built so far stay usable.
  bool Create(const std::string& styleFileName, const std::vector<Body>& bodies,
              const std::vector<Wheel>& wheels, const std::vector<Node>& nodes,
              const std::vector<Force>& forces, const std::vector<ExtForce>& extForces,
              const std::vector<Outdisp>& outdisps, const std::vector<DofEntry>& dofList);

  const std::string& GetLogText() const { return log; }

  // One style list per primitive, e.g. Styles<DiskStyle>(); a link's
  // `styleIndex` is a position in the list of its `styleKind`.
  template <typename Style>
  const std::vector<Style>& Styles() const {
    return std::get<std::vector<Style>>(styles);
  }

  const std::vector<StyleLink>& Links() const { return links; }

 private:
  std::string log;
  StyleLists styles;
  std::vector<StyleLink> links;
};
