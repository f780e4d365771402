// Built with AVX where the compiler targets x86 (see CMakeLists.txt); runs only
// where FourLanesAvailable().

#include "vehicle/AxleGroup.h"
#include "vehicle/AxleLanes.h"

void IntegrateAxleGroupInFours(AxleGroup& group, double timeStep, int subdiv, double lim,
                               double inverseLim, SlipPattern& pattern) {
  LaneIntegration<4>::Integrate(group, timeStep, subdiv, lim, inverseLim, pattern);
}
