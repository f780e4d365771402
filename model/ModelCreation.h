#pragma once

// Parses the model file and builds the first-order system and the vehicle coupling data.
class ModelCreation {};
