#pragma once

// The integration of an axle group in vector lanes, for a given lane count. Only
// the AxleGroup sources include this file, each compiling it for its own
// instruction set; everything here has internal linkage so that the linker
// never joins code built for one instruction set with code built for another.
// For the same reason it calls no inline function of a library header.

#include <cstddef>
#include <cstdint>

#include "vehicle/AxleGroup.h"

namespace {

// kLanes doubles side by side, one lane per axle, and lane masks of the same
// width. Every operation acts on each lane alone, so a lane computes exactly
// what scalar code computes for its axle. A cast between the two types keeps
// the bits.
template <std::size_t kLanes>
struct LaneTypes;
template <>
struct LaneTypes<2> {
  using Lanes = double __attribute__((vector_size(2 * sizeof(double))));
  using Bits = std::int64_t __attribute__((vector_size(2 * sizeof(double))));
};
template <>
struct LaneTypes<4> {
  using Lanes = double __attribute__((vector_size(4 * sizeof(double))));
  using Bits = std::int64_t __attribute__((vector_size(4 * sizeof(double))));
};

constexpr std::int64_t kSignBit = INT64_MIN;

template <std::size_t kLanes>
class LaneIntegration {
  using Lanes = typename LaneTypes<kLanes>::Lanes;
  using Bits = typename LaneTypes<kLanes>::Bits;
  // The group in registers of kLanes axles, whose dependency chains interleave.
  static constexpr std::size_t kRegisters = kAxleGroup / kLanes;
  using Group = Lanes[kRegisters];

 public:
  // Exactly `subdiv` substeps, each starting at n h: the time is not a running
  // sum, whose rounding could add one substep beyond the end of the step.
  // `pattern` is how the wheels are taken to follow the slip law at first; it
  // becomes how they followed it at the end.
  static void Integrate(AxleGroup& group, double timeStep, int subdiv, double lim,
                        double inverseLim, SlipPattern& pattern) {
    const int substeps = timeStep > 0.0 ? subdiv : 0;
    Drive d;
    d.h = timeStep / subdiv;
    d.halfH = d.h / 2.0;
    d.sixthH = d.h / 6.0;
    d.limMagnitude = Lanes{} + __builtin_fabs(lim);
    d.inverseLim = inverseLim;
    Wheels wheels;
    for (std::size_t r = 0; r < kRegisters; ++r) {
      const std::size_t first = r * kLanes;
      d.inverseMass[r] = Load(group.inverseMass + first);
      d.capacity[r] = Load(group.capacity + first);
      d.capacityRate[r] = (Load(group.capacityEnd + first) - d.capacity[r]) / timeStep;
      d.force[r] = Load(group.force + first);
      d.forceRate[r] = (Load(group.forceEnd + first) - d.force[r]) / timeStep;
      d.speed[r] = Load(group.speed + first);
      d.speedRate[r] = (Load(group.speedEnd + first) - d.speed[r]) / timeStep;
      wheels.speed[r] = Load(group.wheelSpeed + first);
      wheels.travel[r] = Load(group.wheelTravel + first);
      wheels.adhesionImpulse[r] = Lanes{};
    }
    Bits forceBits{};
    for (std::size_t r = 0; r < kRegisters; ++r) {
      forceBits |= (Bits)d.force[r] | (Bits)d.forceRate[r];
    }
    const bool forceFree = AllLanes(forceBits == Bits{});  // +0 in every lane
    for (int n = 0; n < substeps;) {
      switch (pattern) {
        case SlipPattern::kInBand:
          n = forceFree ? Substeps<SlipPattern::kInBand, true>(d, n, substeps, wheels, pattern)
                        : Substeps<SlipPattern::kInBand>(d, n, substeps, wheels, pattern);
          break;
        case SlipPattern::kSlidingForward:
          n = Substeps<SlipPattern::kSlidingForward>(d, n, substeps, wheels, pattern);
          break;
        case SlipPattern::kSlidingBackward:
          n = Substeps<SlipPattern::kSlidingBackward>(d, n, substeps, wheels, pattern);
          break;
        case SlipPattern::kMixed:
          n = Substeps<SlipPattern::kMixed>(d, n, substeps, wheels, pattern);
          break;
      }
    }
    for (std::size_t r = 0; r < kRegisters; ++r) {
      const std::size_t first = r * kLanes;
      const Lanes slip = Load(group.speedEnd + first) - wheels.speed[r];
      const Lanes adhesion = Load(group.capacityEnd + first) * Sat<SlipPattern::kMixed>(d, slip);
      Store(group.wheelSpeed + first, wheels.speed[r]);
      Store(group.wheelTravel + first, wheels.travel[r]);
      Store(group.adhesionForce + first, adhesion);
      Store(group.meanAdhesionForce + first,
            substeps > 0 ? wheels.adhesionImpulse[r] / timeStep : adhesion);
    }
  }

 private:
  // What the integration advances: the wheel speeds and travels and the impulse
  // of the adhesion force on the wheels.
  struct Wheels {
    Group speed, travel, adhesionImpulse;
  };

  // The driving quantities of the group, the substep and the slip law.
  struct Drive {
    Group inverseMass, capacity, capacityRate, force, forceRate, speed, speedRate;
    double h;
    double halfH;   // h / 2
    double sixthH;  // h / 6
    Lanes limMagnitude;
    double inverseLim;
  };

  static Lanes Load(const double* from) {
    Lanes lanes;
    __builtin_memcpy(&lanes, from, sizeof lanes);
    return lanes;
  }

  static void Store(double* to, Lanes lanes) { __builtin_memcpy(to, &lanes, sizeof lanes); }

  // Whether every lane of `mask` is set: one instruction on x86 (the sign bits
  // of the lanes as an integer), a lane after the other elsewhere.
  static bool AllLanes(Bits mask) {
#if defined(__AVX__)
    if constexpr (kLanes == 4) return __builtin_ia32_movmskpd256((Lanes)mask) == 0xf;
#endif
#if defined(__SSE2__)
    if constexpr (kLanes == 2) return __builtin_ia32_movmskpd((Lanes)mask) == 0x3;
#endif
    std::int64_t all = mask[0];
    for (std::size_t lane = 1; lane < kLanes; ++lane) all &= mask[lane];
    return all != 0;
  }

  // x with its sign bit cleared.
  static Lanes Magnitude(Lanes x) {
    return (Lanes)((Bits)x & ~kSignBit);
  }

  // The lanes in which sat(x) follows `pattern`: x inside the band, x >= |lim|
  // (sat +1) or x < 0 beyond the band (sat -1). Every lane follows kMixed.
  template <SlipPattern pattern>
  static Bits Follows(const Drive& d, Lanes x) {
    if constexpr (pattern == SlipPattern::kInBand) return d.limMagnitude > Magnitude(x);
    if constexpr (pattern == SlipPattern::kSlidingForward) return x >= d.limMagnitude;
    if constexpr (pattern == SlipPattern::kSlidingBackward) {
      return (x < 0.0) & (-x >= d.limMagnitude);
    }
    return ~Bits{};
  }

  // sat(x) in the lanes that follow `pattern`: x * inverseLim inside the band
  // |x| < |lim|, else +1 for x >= 0 and -1 otherwise (NaN included).
  template <SlipPattern pattern>
  static Lanes Sat(const Drive& d, Lanes x) {
    if constexpr (pattern == SlipPattern::kInBand) return x * d.inverseLim;
    if constexpr (pattern == SlipPattern::kSlidingForward) return Lanes{} + 1.0;
    if constexpr (pattern == SlipPattern::kSlidingBackward) return Lanes{} - 1.0;
    if constexpr (pattern == SlipPattern::kMixed) {
      const Bits inBand = Follows<SlipPattern::kInBand>(d, x);
      const Bits sign = (Bits)(Lanes{} + 1.0) | (~(Bits)(x >= 0.0) & kSignBit);
      return (Lanes)((inBand & (Bits)(x * d.inverseLim)) | (~inBand & sign));
    }
  }

  // The pattern that every lane of the group follows with slips x, else kMixed.
  static SlipPattern PatternOf(const Drive& d, const Group& x) {
    Bits inBand = ~Bits{};
    Bits forward = ~Bits{};
    Bits backward = ~Bits{};
    for (std::size_t r = 0; r < kRegisters; ++r) {
      inBand &= Follows<SlipPattern::kInBand>(d, x[r]);
      forward &= Follows<SlipPattern::kSlidingForward>(d, x[r]);
      backward &= Follows<SlipPattern::kSlidingBackward>(d, x[r]);
    }
    if (AllLanes(inBand)) return SlipPattern::kInBand;
    if (AllLanes(forward)) return SlipPattern::kSlidingForward;
    if (AllLanes(backward)) return SlipPattern::kSlidingBackward;
    return SlipPattern::kMixed;
  }

  // Substeps from `first` on, from the state of the wheels, while every lane of
  // every stage follows `kPattern`; returns the first substep not made. Each
  // substep evaluates the right-hand side at n h, n h + h/2 (twice) and n h + h,
  // each stage from the wheel speed the stage before it predicts, and adds the
  // adhesion force's impulse as the same quadrature gives it.
  //
  // kMixed takes sat after each lane's own slip, which costs a selection between
  // the branches of the law in every stage; it makes one substep and leaves in
  // `pattern` the one that the slips of its last stage follow. The other
  // patterns take every lane to follow one branch of the law through the whole
  // substep: for wheels that all roll inside the band the selection goes, and
  // for wheels that all slide one way sat is a constant, which frees every stage
  // from waiting for the one before it. They check in every stage that each
  // lane follows, and keep only the substeps in which all did, because only
  // those are exactly the kMixed ones; `pattern` becomes kMixed where one did not.
  //
  // With kForceFree the opposing force is +0 throughout in every lane (no brake
  // and no running resistance), so subtracting it changes nothing and the
  // stages skip it.
  template <SlipPattern kPattern, bool kForceFree = false>
  static int Substeps(const Drive& d, int first, int last, Wheels& wheels, SlipPattern& pattern) {
    Lanes w[kRegisters];
    Lanes s[kRegisters];
    Lanes impulse[kRegisters];
    for (std::size_t r = 0; r < kRegisters; ++r) {
      w[r] = wheels.speed[r];
      s[r] = wheels.travel[r];
      impulse[r] = wheels.adhesionImpulse[r];
    }
    int n = first;
    for (; n < last; ++n) {
      const double t = n * d.h;
      const double stageTime[4] = {t, t + d.halfH, t + d.halfH, t + d.h};
      const double stageStep[3] = {d.halfH, d.halfH, d.h};
      Lanes speed[4][kRegisters];
      Lanes slip[kRegisters];
      Lanes adhesion[4][kRegisters];
      Lanes k[4][kRegisters];
      Bits followed = ~Bits{};
      for (std::size_t r = 0; r < kRegisters; ++r) speed[0][r] = w[r];
      for (int stage = 0; stage < 4; ++stage) {
        const double ts = stageTime[stage];
        for (std::size_t r = 0; r < kRegisters; ++r) {
          const Lanes capacity = d.capacity[r] + ts * d.capacityRate[r];
          const Lanes force = kForceFree ? Lanes{} : d.force[r] + ts * d.forceRate[r];
          slip[r] = d.speed[r] + ts * d.speedRate[r] - speed[stage][r];
          followed &= Follows<kPattern>(d, slip[r]);
          adhesion[stage][r] = capacity * Sat<kPattern>(d, slip[r]);
          k[stage][r] =
              (kForceFree ? adhesion[stage][r] : adhesion[stage][r] - force) * d.inverseMass[r];
          if (stage < 3) speed[stage + 1][r] = w[r] + stageStep[stage] * k[stage][r];
        }
      }
      if (!AllLanes(followed)) {
        pattern = SlipPattern::kMixed;
        break;
      }
      for (std::size_t r = 0; r < kRegisters; ++r) {
        s[r] += d.sixthH * (w[r] + 2.0 * speed[1][r] + 2.0 * speed[2][r] + speed[3][r]);
        w[r] = w[r] + d.sixthH * (k[0][r] + 2.0 * k[1][r] + 2.0 * k[2][r] + k[3][r]);
        impulse[r] += d.sixthH * (adhesion[0][r] + 2.0 * adhesion[1][r] + 2.0 * adhesion[2][r] +
                                  adhesion[3][r]);
      }
      if constexpr (kPattern == SlipPattern::kMixed) {
        pattern = PatternOf(d, slip);
        ++n;
        break;
      }
    }
    for (std::size_t r = 0; r < kRegisters; ++r) {
      wheels.speed[r] = w[r];
      wheels.travel[r] = s[r];
      wheels.adhesionImpulse[r] = impulse[r];
    }
    return n;
  }
};

}  // namespace
