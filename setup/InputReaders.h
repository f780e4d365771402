#pragma once

// The inputs read before a run: the time step and initial state of the model
// file, the external force history and the batch parameter sets. Every reader
// answers with a bool and, on failure, one line saying what is wrong. A file
// that is no regular file or larger than its limit (model/TextInput.h) is
// refused unread.

#include <istream>
#include <string>

#include "linalg/Matrix.h"

// A count n, then n numbers. On failure `vector` is left unchanged.
bool ReadVector(std::istream& in, Vector& vector, std::string& error);

// A row count, a column count, then the numbers row by row. On failure
// `matrix` is left unchanged.
bool ReadMatrix(std::istream& in, Matrix& matrix, std::string& error);

// "DT" followed by the time step (positive), then "Y0" followed by a vector.
bool ReadModelFileItems(const std::string& fileName, double& timeStep, Vector& initialState,
                        std::string& error);

// "EFD" followed by a matrix: one row per 0.005 s sample, brake inputs then traction.
// Words after the announced rows go unread; `warning`, when given, then says so.
bool ReadExternalForceHistory(const std::string& fileName, Matrix& history, std::string& error,
                              std::string* warning = nullptr);

// "BATCH" followed by a matrix of at least four columns: DT, ITER, SUBD, SGNT per
// set. Words after the announced rows go unread, and `warning` says so.
bool ReadBatchParameterSets(const std::string& fileName, Matrix& sets, std::string& error,
                            std::string* warning = nullptr);
