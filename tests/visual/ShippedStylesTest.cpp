#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/ModelCreation.h"
#include "support/TestSupport.h"
#include "visual/StyleManager.h"

namespace {

// The shipped style file against the shipped model, as the program loads them.
class ShippedStylesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto data = testing_support::DataDir();
    ASSERT_TRUE(model.CreateComponents((data / "combined_train17_GEN.in").string()))
        << model.GetLogText('C');
    const ComponentManager& c = model.Components();
    ASSERT_TRUE(styles.Create((data / "combined_styles_GEN.in").string(), c.Bodies(), c.Wheels(),
                              c.Nodes(), c.Forces(), c.ExtForces(), c.Outdisps(), c.Dofs()))
        << styles.GetLogText();
  }

  const StyleLink* LinkOf(const std::string& name, const std::string& kind) const {
    for (const StyleLink& link : styles.Links()) {
      if (link.componentName == name && link.componentKind == kind) return &link;
    }
    return nullptr;
  }

  ModelCreation model;
  StyleManager styles;
};

// The shipped pair and the worked example of docs/model-file.md with its style file.
TEST(StyleFilesTest, LoadWithoutInvalidStylesOrLinksOrWarnings) {
  const auto data = testing_support::DataDir();
  const auto examples = testing_support::SourceDir() / "docs" / "examples";
  const struct {
    std::filesystem::path model;
    std::filesystem::path styles;
  } cases[] = {
      {data / "combined_train17_GEN.in", data / "combined_styles_GEN.in"},
      {examples / "two_axle_wagon.in", examples / "two_axle_wagon_styles.in"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.styles.string());
    ModelCreation model;
    ASSERT_TRUE(model.CreateComponents(c.model.string())) << model.GetLogText('C');
    const ComponentManager& m = model.Components();
    StyleManager styles;
    const bool created = styles.Create(c.styles.string(), m.Bodies(), m.Wheels(), m.Nodes(),
                                       m.Forces(), m.ExtForces(), m.Outdisps(), m.Dofs());
    const std::string& log = styles.GetLogText();
    EXPECT_TRUE(created) << log;
    EXPECT_NE(log.find("Number of invalid user defined styles: 0\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Number of invalid user defined styles links: 0\n"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("Warning"), std::string::npos) << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  }
}

// A wheel is a picture exactly as large as the model's wheel, so that it rolls
// on the rail when it turns by its travel over its radius.
TEST_F(ShippedStylesTest, EveryWheelTurnsAsAPictureOfItsOwnSize) {
  const ComponentManager& c = model.Components();
  ASSERT_EQ(c.Wheels().size(), 4u);
  const int dofCount = static_cast<int>(c.Dofs().size());
  const std::vector<ImageStyle>& images = styles.Styles<ImageStyle>();
  for (std::size_t i = 0; i < c.Wheels().size(); ++i) {
    const Wheel& wheel = c.Wheels()[i];
    const StyleLink* link = LinkOf(wheel.name, "BODY");
    ASSERT_NE(link, nullptr) << wheel.name;
    EXPECT_EQ(link->styleKind, "IMAGE") << wheel.name;
    ASSERT_LT(static_cast<std::size_t>(link->styleIndex), images.size());
    const ImageStyle& image = images[static_cast<std::size_t>(link->styleIndex)];
    const float r = static_cast<float>(wheel.radius);
    EXPECT_EQ((std::vector<float>{-r, r, -r, r}),
              (std::vector<float>{image.leftExtent, image.rightExtent, image.bottomExtent,
                                  image.topExtent}))
        << wheel.name;
    // Turned by the axle's entry of the drawing state, after the DOF displacements.
    EXPECT_EQ(link->dofR1, dofCount + static_cast<int>(i)) << wheel.name;
  }
  for (const ImageStyle& image : images) {
    EXPECT_TRUE(std::filesystem::exists(testing_support::DataDir() / image.filePath))
        << image.filePath;
  }
}

// Every component has exactly one look, and every one of them is the file's.
TEST_F(ShippedStylesTest, EveryComponentIsDrawnWithAStyleOfTheFile) {
  const ComponentManager& c = model.Components();
  const std::size_t components = c.Bodies().size() + c.Wheels().size() + c.Nodes().size() +
                                 c.Forces().size() + c.ExtForces().size() + c.Outdisps().size();
  EXPECT_EQ(styles.Links().size(), components);
  for (const StyleLink& link : styles.Links()) {
    EXPECT_EQ(link.styleName.rfind("Default", 0), std::string::npos)
        << link.componentName << " keeps its default style";
  }
}

}  // namespace
