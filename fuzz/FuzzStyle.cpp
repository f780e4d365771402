// The style file, read by StyleManager::Create against the shipped vehicle
// model. What comes out must be drawable: every link names a style that exists
// and freedoms inside the drawing state, and no style asks for unbounded work.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "model/ComponentManager.h"
#include "visual/StyleManager.h"

namespace {

const ComponentManager& FixedModel() {
  static const ComponentManager model = [] {
    ComponentManager components;
    const std::string file = std::string(KELVRA_SOURCE_DIR) + "/data/combined_train17_GEN.in";
    if (!components.ReadModelFile(file)) {
      std::fprintf(stderr, "cannot read the fixed model %s:\n%s", file.c_str(),
                   components.Log().c_str());
      std::abort();
    }
    return components;
  }();
  return model;
}

int StyleCount(const StyleManager& styles, const std::string& kind) {
  if (kind == PointStyle::kKeyword) return static_cast<int>(styles.Styles<PointStyle>().size());
  if (kind == LineStyle::kKeyword) return static_cast<int>(styles.Styles<LineStyle>().size());
  if (kind == SpringStyle::kKeyword) return static_cast<int>(styles.Styles<SpringStyle>().size());
  if (kind == DamperStyle::kKeyword) return static_cast<int>(styles.Styles<DamperStyle>().size());
  if (kind == ArrowStyle::kKeyword) return static_cast<int>(styles.Styles<ArrowStyle>().size());
  if (kind == DiskStyle::kKeyword) return static_cast<int>(styles.Styles<DiskStyle>().size());
  if (kind == EllipseStyle::kKeyword) return static_cast<int>(styles.Styles<EllipseStyle>().size());
  if (kind == RectangleStyle::kKeyword) {
    return static_cast<int>(styles.Styles<RectangleStyle>().size());
  }
  if (kind == ImageStyle::kKeyword) return static_cast<int>(styles.Styles<ImageStyle>().size());
  return -1;
}

// What the renderer draws every frame stays bounded whatever the file says.
void CheckSubdivisions(const StyleManager& styles) {
  const auto bounded = [](int subdivision) { return subdivision >= 0 && subdivision <= 1000; };
  for (const SpringStyle& style : styles.Styles<SpringStyle>()) {
    FUZZ_CHECK(bounded(style.subdivision));
  }
  for (const DiskStyle& style : styles.Styles<DiskStyle>()) FUZZ_CHECK(bounded(style.subdivision));
  for (const EllipseStyle& style : styles.Styles<EllipseStyle>()) {
    FUZZ_CHECK(bounded(style.subdivision));
  }
}

// The drawing state holds the DOF list, then one rotation per wheel.
bool InDrawingState(int dof, int stateLength) {
  return dof >= -1 && dof < stateLength;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ComponentManager& model = FixedModel();
  const std::string file = fuzzing::WriteInput(data, size, "combined_styles_GEN.in");

  StyleManager styles;
  styles.Create(file, model.Bodies(), model.Wheels(), model.Nodes(), model.Forces(),
                model.ExtForces(), model.Outdisps(), model.Dofs());

  CheckSubdivisions(styles);
  const int stateLength = static_cast<int>(model.Dofs().size() + model.Wheels().size());
  for (const StyleLink& link : styles.Links()) {
    FUZZ_CHECK(link.linkType == 1 || link.linkType == 2);
    FUZZ_CHECK(link.styleIndex >= 0 && link.styleIndex < StyleCount(styles, link.styleKind));
    for (int dof : {link.dofX1, link.dofY1, link.dofR1, link.dofX2, link.dofY2, link.dofR2}) {
      FUZZ_CHECK(InDrawingState(dof, stateLength));
    }
  }
  return 0;
}
