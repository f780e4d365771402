#include "vehicle/AxleGroup.h"

#include "vehicle/AxleLanes.h"

void IntegrateAxleGroupInTwos(AxleGroup& group, double timeStep, int subdiv, double lim,
                              double inverseLim, SlipPattern& pattern) {
  LaneIntegration<2>::Integrate(group, timeStep, subdiv, lim, inverseLim, pattern);
}

// Asked in this file, which is built for every x86-64: the four-lane one is
// built for AVX and must not run before the answer is known.
bool FourLanesAvailable() {
#if defined(__x86_64__) || defined(__i386__)
  return __builtin_cpu_supports("avx");
#else
  return false;
#endif
}

void IntegrateAxleGroup(AxleGroup& group, double timeStep, int subdiv, double lim,
                        double inverseLim, SlipPattern& pattern) {
  static const bool fourLanes = FourLanesAvailable();
  if (fourLanes) {
    IntegrateAxleGroupInFours(group, timeStep, subdiv, lim, inverseLim, pattern);
  } else {
    IntegrateAxleGroupInTwos(group, timeStep, subdiv, lim, inverseLim, pattern);
  }
}
