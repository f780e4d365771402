#include "framework/WorkingFolder.h"

#include <algorithm>
#include <vector>

#include "framework/NewFiles.h"

namespace fs = std::filesystem;

namespace {

// The file that tells a folder of shipped data.
const char* const kModelFile = "combined_train17_GEN.in";
// Results of runs in the source tree's data/ are no shipped data.
const char* const kResults = "results";

bool HoldsData(const fs::path& folder) {
  std::error_code ignored;
  return fs::is_regular_file(folder / kModelFile, ignored);
}

// What a working folder gets: the folders first, parents before children.
struct Layout {
  std::vector<fs::path> folders;
  std::vector<fs::path> files;
};

// Hidden files (such as a .gitkeep) and the results of earlier runs stay behind.
bool ReadLayout(const fs::path& data, Layout& layout, std::string& error) {
  layout.folders.assign(1, kResults);
  std::error_code code;
  fs::recursive_directory_iterator entry(data, code);
  for (; !code && entry != fs::end(entry); entry.increment(code)) {
    const fs::path relative = entry->path().lexically_relative(data);
    const bool hidden = relative.filename().string().front() == '.';
    const bool folder = entry->is_directory(code);
    if (hidden || (entry.depth() == 0 && relative == kResults)) {
      if (folder) entry.disable_recursion_pending();
    } else if (folder) {
      layout.folders.push_back(relative);
    } else if (entry->is_regular_file(code)) {
      layout.files.push_back(relative);
    }
  }
  if (code) {
    error = "cannot read the shipped data in '" + data.string() + "' (" + code.message() + ")";
    return false;
  }
  std::sort(layout.folders.begin(), layout.folders.end());
  std::sort(layout.files.begin(), layout.files.end());
  return true;
}

// What stands in the way: any file at a file's name, anything but a folder at a
// folder's name (a link to a folder would carry the files elsewhere).
std::vector<std::string> Occupied(const fs::path& folder, const Layout& layout) {
  std::vector<std::string> taken;
  std::error_code ignored;
  for (const fs::path& name : layout.folders) {
    const fs::file_status status = fs::symlink_status(folder / name, ignored);
    if (fs::exists(status) && !fs::is_directory(status)) taken.push_back(name.string());
  }
  for (const fs::path& name : layout.files) {
    if (fs::exists(fs::symlink_status(folder / name, ignored))) taken.push_back(name.string());
  }
  return taken;
}

std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < 3; ++i) text += (i > 0 ? ", " : "") + names[i];
  if (names.size() > 3) text += " and " + std::to_string(names.size() - 3) + " more";
  return text;
}

bool CopyLayout(const fs::path& data, const fs::path& folder, const Layout& layout,
                std::string& error) {
  NewFiles made;
  if (!made.MakeFolders(folder, error)) return false;
  std::error_code ignored;
  for (const fs::path& name : layout.folders) {
    if (!fs::is_directory(folder / name, ignored) &&
        !made.MakeFolder((folder / name).string(), error)) {
      return false;
    }
  }
  for (const fs::path& name : layout.files) {
    if (!made.Copy((data / name).string(), (folder / name).string(), error)) return false;
  }
  made.Keep();
  return true;
}

}  // namespace

fs::path ShippedDataFolder() {
  std::error_code code;
  const fs::path program = fs::read_symlink("/proc/self/exe", code);
  if (!code) {
    const fs::path installed =
        (program.parent_path() / KELVRA_DATA_FROM_PROGRAM).lexically_normal();
    if (HoldsData(installed)) return installed;
  }
  const fs::path source = KELVRA_SOURCE_DATA;
  return HoldsData(source) ? source : fs::path();
}

bool MakeWorkingFolder(const fs::path& data, const std::string& name, std::ostream& out,
                       std::ostream& err) {
  if (data.empty()) {
    err << "kelvra: --init: the shipped data is missing: it belongs in ../share/kelvra beside "
           "the installed program; install the program again\n";
    return false;
  }
  fs::path folder = fs::path(name).lexically_normal();
  if (!folder.has_filename()) folder = folder.parent_path();
  std::error_code ignored;
  if (fs::exists(folder, ignored) && !fs::is_directory(folder, ignored)) {
    err << "kelvra: --init: '" << name << "' is no folder; nothing was written\n";
    return false;
  }
  Layout layout;
  std::string error;
  if (!ReadLayout(data, layout, error)) {
    err << "kelvra: --init: " << error << "; nothing was written\n";
    return false;
  }
  const std::vector<std::string> taken = Occupied(folder, layout);
  if (!taken.empty()) {
    err << "kelvra: --init: '" << name << "' already holds " << Listed(taken)
        << "; nothing was written. Make the working folder elsewhere, or move those away.\n";
    return false;
  }
  if (!CopyLayout(data, folder, layout, error)) {
    err << "kelvra: --init: " << error << "; nothing was written\n";
    return false;
  }
  out << "Made the working folder '" << name << "' from '" << data.string()
      << "': " << layout.files.size()
      << " files (model, styles, pictures, demo history, batch and study files) and an empty "
         "results/.\n"
      << "In it, kelvra opens the window, and kelvra --console --history demo_history.in runs "
         "the demo on the console.\n";
  return true;
}
