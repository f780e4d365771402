#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "display/Textures.h"
#include "gl/GlTestWindow.h"

// One window for every test; its context stays current while they run.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
  glutInitWindowSize(kGlTestWidth, kGlTestHeight);
  glutCreateWindow("display tests");
  glutDisplayFunc([] {});  // the tests draw and read the back buffer themselves
  for (int i = 0; i < 10; ++i) glutMainLoopEvent();  // let the window be mapped
  StartImageLibrary();
  return RUN_ALL_TESTS();
}
