#pragma once

// A working folder anywhere: the program reads its model, styles, pictures and
// inputs from the folder it runs in, and the installed program carries a copy
// of the shipped ones that `kelvra --init DIR` lays out in a folder of the
// user's choice.

#include <filesystem>
#include <ostream>
#include <string>

// The shipped data: <prefix>/share/kelvra beside the installed program
// (<prefix>/bin/kelvra), or the source tree's data/ for a program that runs
// from its build folder. Empty when neither holds the model file.
std::filesystem::path ShippedDataFolder();

// Copies every file of `data` (its results/ left out) into `folder`, made when
// missing, and makes an empty results/ there. Refuses, writing nothing, when
// the folder already holds any of those files or something else stands at a
// folder's name; a copy that fails halfway removes what it wrote. Says what it
// did on `out`, or why not on `err`.
bool MakeWorkingFolder(const std::filesystem::path& data, const std::string& folder,
                       std::ostream& out, std::ostream& err);
