#pragma once

// Discretises the linear model exactly: the fundamental and force-step matrices.
class SimulationModule {};
