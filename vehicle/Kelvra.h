#pragma once

// The nonlinear vehicle system coupled with the linear vehicle model.
class Kelvra {};
