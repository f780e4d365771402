#include "Hdf5Reading.h"

#include <hdf5.h>

namespace testing_support {

namespace {

// A variable-length UTF-8 string, as the results' attributes are written.
hid_t TextType() {
  const hid_t type = H5Tcopy(H5T_C_S1);
  H5Tset_size(type, H5T_VARIABLE);
  H5Tset_cset(type, H5T_CSET_UTF8);
  return type;
}

// The attribute `name` of `object`: its texts, one for a scalar.
bool ReadTexts(hid_t object, const char* name, std::vector<std::string>& texts) {
  texts.clear();
  if (H5Aexists(object, name) <= 0) return false;
  const hid_t attribute = H5Aopen(object, name, H5P_DEFAULT);
  const hid_t space = H5Aget_space(attribute);
  const hssize_t count = H5Sget_simple_extent_npoints(space);
  const hid_t type = TextType();
  std::vector<char*> pointers(static_cast<std::size_t>(count > 0 ? count : 0), nullptr);
  const bool read = count == 0 || (count > 0 && H5Aread(attribute, type, pointers.data()) >= 0);
  for (char* text : pointers) {
    texts.emplace_back(text != nullptr ? text : "");
  }
  if (read && count > 0) H5Dvlen_reclaim(type, space, H5P_DEFAULT, pointers.data());
  H5Tclose(type);
  H5Sclose(space);
  H5Aclose(attribute);
  return read;
}

// The attribute `name` of `object`, open as `attribute`.
bool ReadAttribute(hid_t object, hid_t attribute, const char* name, Hdf5AttributeValue& value) {
  const hid_t space = H5Aget_space(attribute);
  const hid_t type = H5Aget_type(attribute);
  const H5T_class_t kind = H5Tget_class(type);
  const hssize_t count = H5Sget_simple_extent_npoints(space);
  value.scalar = H5Sget_simple_extent_type(space) == H5S_SCALAR;
  value.whole = kind == H5T_INTEGER;
  bool ok = count >= 0;
  if (ok && kind == H5T_STRING) {
    ok = ReadTexts(object, name, value.texts);
  } else if (ok && (kind == H5T_INTEGER || kind == H5T_FLOAT)) {
    value.numbers.assign(static_cast<std::size_t>(count), 0.0);
    ok = count == 0 || H5Aread(attribute, H5T_NATIVE_DOUBLE, value.numbers.data()) >= 0;
  } else {
    ok = false;
  }
  H5Tclose(type);
  H5Sclose(space);
  return ok;
}

bool ReadColumn(hid_t group, const char* name, Hdf5Column& column) {
  column.name = name;
  const hid_t dataset = H5Dopen2(group, name, H5P_DEFAULT);
  if (dataset < 0) return false;
  const hid_t space = H5Dget_space(dataset);
  const hid_t type = H5Dget_type(dataset);
  bool ok = H5Sget_simple_extent_ndims(space) == 1 && H5Tget_class(type) == H5T_FLOAT &&
            H5Tget_size(type) == sizeof(double);
  hsize_t rows = 0;
  if (ok) H5Sget_simple_extent_dims(space, &rows, nullptr);
  column.values.assign(rows, 0.0);
  if (ok && rows > 0) {
    ok = H5Dread(dataset, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, column.values.data()) >=
         0;
  }
  std::vector<std::string> units;
  ok = ok && ReadTexts(dataset, "units", units) && units.size() == 1;
  if (ok) column.units = units[0];
  H5Tclose(type);
  H5Sclose(space);
  H5Dclose(dataset);
  return ok;
}

bool ReadGroup(hid_t file, const char* name, Hdf5Group& group) {
  const hid_t id = H5Gopen2(file, name, H5P_DEFAULT);
  if (id < 0) return false;
  bool ok = ReadTexts(id, "columns", group.columns);
  H5G_info_t info;
  ok = ok && H5Gget_info(id, &info) >= 0;
  for (hsize_t i = 0; ok && i < info.nlinks; ++i) {
    char linkName[1024];
    ok = H5Lget_name_by_idx(id, ".", H5_INDEX_CRT_ORDER, H5_ITER_INC, i, linkName, sizeof linkName,
                            H5P_DEFAULT) > 0;
    Hdf5Column column;
    ok = ok && ReadColumn(id, linkName, column);
    group.datasets.push_back(column);
  }
  H5Gclose(id);
  return ok;
}

}  // namespace

const Hdf5Column* Hdf5Group::Find(const std::string& name) const {
  for (const Hdf5Column& column : datasets) {
    if (column.name == name) return &column;
  }
  return nullptr;
}

bool ReadHdf5Groups(const std::filesystem::path& file, std::map<std::string, Hdf5Group>& groups) {
  groups.clear();
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  const hid_t id = H5Fopen(file.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  if (id < 0) return false;
  H5G_info_t info;
  bool ok = H5Gget_info(id, &info) >= 0;
  for (hsize_t i = 0; ok && i < info.nlinks; ++i) {
    char name[1024];
    ok = H5Lget_name_by_idx(id, ".", H5_INDEX_NAME, H5_ITER_INC, i, name, sizeof name,
                            H5P_DEFAULT) > 0 &&
         ReadGroup(id, name, groups[name]);
  }
  return H5Fclose(id) >= 0 && ok;
}

bool ReadHdf5RootAttributes(const std::filesystem::path& file,
                            std::map<std::string, Hdf5AttributeValue>& attributes) {
  attributes.clear();
  H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
  const hid_t id = H5Fopen(file.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
  if (id < 0) return false;
  std::vector<std::string> names;
  const auto addName = [](hid_t, const char* name, const H5A_info_t*, void* list) -> herr_t {
    static_cast<std::vector<std::string>*>(list)->push_back(name);
    return 0;
  };
  bool ok = H5Aiterate2(id, H5_INDEX_NAME, H5_ITER_INC, nullptr, addName, &names) >= 0;
  for (const std::string& name : names) {
    const hid_t attribute = H5Aopen(id, name.c_str(), H5P_DEFAULT);
    ok = ok && attribute >= 0 && ReadAttribute(id, attribute, name.c_str(), attributes[name]);
    if (attribute >= 0) H5Aclose(attribute);
  }
  return H5Fclose(id) >= 0 && ok;
}

}  // namespace testing_support
