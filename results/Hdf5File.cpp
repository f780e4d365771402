#include "results/Hdf5File.h"

#include <hdf5.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <type_traits>

#include "model/OutputFile.h"

static_assert(std::is_same_v<Hdf5Id, hid_t>);
// The chunks go to the file as the bytes of this machine's doubles, which the
// datasets' type (IEEE 754, little-endian) must be.
static_assert(std::endian::native == std::endian::little);

namespace {

// A write that failed without an error number still failed.
int FailureCause(int error) {
  return error != 0 ? error : EIO;
}

// Once, before the library's first use, it is told not to close the files at
// the process's end by itself: their owners close them, the window's too when
// closing it ends the process. Its own error reports are off on every thread
// (each has an error stack of its own): a failure is said as a lost result.
void PrepareLibrary() {
  static const bool once = [] {
    H5dont_atexit();
    return true;
  }();
  thread_local bool quiet = false;
  if (!quiet && once) quiet = H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr) >= 0;
}

// Closes `id` with `close` unless it is invalid; false when closing failed.
template <typename Close>
bool CloseId(hid_t& id, Close close) {
  if (id < 0) return true;
  const bool closed = close(id) >= 0;
  id = -1;
  return closed;
}

// A variable-length UTF-8 string type, as h5py and MATLAB read text.
hid_t TextType() {
  const hid_t type = H5Tcopy(H5T_C_S1);
  if (type >= 0 && (H5Tset_size(type, H5T_VARIABLE) < 0 || H5Tset_cset(type, H5T_CSET_UTF8) < 0)) {
    H5Tclose(type);
    return -1;
  }
  return type;
}

// The attribute `name` of `object`: one text, or with `array` the list `texts`
// (which may be empty).
bool WriteTextAttribute(hid_t object, const char* name, const std::vector<std::string>& texts,
                        bool array) {
  if (!array && texts.size() != 1) return false;
  std::vector<const char*> pointers;
  for (const std::string& text : texts) pointers.push_back(text.c_str());
  const hsize_t count = pointers.size();
  hid_t type = TextType();
  hid_t space = array ? H5Screate_simple(1, &count, nullptr) : H5Screate(H5S_SCALAR);
  hid_t attribute = type >= 0 && space >= 0
                        ? H5Acreate2(object, name, type, space, H5P_DEFAULT, H5P_DEFAULT)
                        : -1;
  bool ok = attribute >= 0 && (count == 0 || H5Awrite(attribute, type, pointers.data()) >= 0);
  ok = CloseId(attribute, H5Aclose) && ok;
  ok = CloseId(space, H5Sclose) && ok;
  return CloseId(type, H5Tclose) && ok;
}

// The attribute `attribute` of `object`: texts in UTF-8, whole numbers as
// 64-bit integers, numbers as doubles; a single value as a scalar.
bool WriteAttribute(hid_t object, const Hdf5Attribute& attribute) {
  using Kind = Hdf5Attribute::Kind;
  if (attribute.kind == Kind::kText) {
    return WriteTextAttribute(object, attribute.name.c_str(), attribute.texts, attribute.list);
  }
  const bool whole = attribute.kind == Kind::kInteger;
  const hsize_t count = whole ? attribute.integers.size() : attribute.numbers.size();
  if (!attribute.list && count != 1) return false;
  hid_t space = attribute.list ? H5Screate_simple(1, &count, nullptr) : H5Screate(H5S_SCALAR);
  const hid_t fileType = whole ? H5T_STD_I64LE : H5T_IEEE_F64LE;
  hid_t id = space >= 0 ? H5Acreate2(object, attribute.name.c_str(), fileType, space, H5P_DEFAULT,
                                     H5P_DEFAULT)
                        : -1;
  const void* values = whole ? static_cast<const void*>(attribute.integers.data())
                             : static_cast<const void*>(attribute.numbers.data());
  bool ok = id >= 0 &&
            (count == 0 || H5Awrite(id, whole ? H5T_NATIVE_INT64 : H5T_NATIVE_DOUBLE, values) >= 0);
  ok = CloseId(id, H5Aclose) && ok;
  return CloseId(space, H5Sclose) && ok;
}

// The group `name` of `file`, its links kept in the order made, and the names
// of its columns in order.
hid_t CreateTableGroup(hid_t file, const std::string& name,
                       const std::vector<std::string>& columns) {
  hid_t properties = H5Pcreate(H5P_GROUP_CREATE);
  const bool ordered =
      properties >= 0 &&
      H5Pset_link_creation_order(properties, H5P_CRT_ORDER_TRACKED | H5P_CRT_ORDER_INDEXED) >= 0;
  hid_t group = ordered ? H5Gcreate2(file, name.c_str(), H5P_DEFAULT, properties, H5P_DEFAULT) : -1;
  CloseId(properties, H5Pclose);
  if (group >= 0 && !WriteTextAttribute(group, "columns", columns, true)) CloseId(group, H5Gclose);
  return group;
}

// A growing dataset of doubles in chunks of `chunkRows`, with its unit. The
// chunks are written whole, as they are stored, so the dataset needs no chunk
// cache.
hid_t CreateColumn(hid_t group, const std::string& name, const std::string& unit,
                   hsize_t chunkRows) {
  const hsize_t none = 0;
  const hsize_t unlimited = H5S_UNLIMITED;
  hid_t space = H5Screate_simple(1, &none, &unlimited);
  hid_t creation = H5Pcreate(H5P_DATASET_CREATE);
  hid_t access = H5Pcreate(H5P_DATASET_ACCESS);
  const bool ready = space >= 0 && creation >= 0 && access >= 0 &&
                     H5Pset_chunk(creation, 1, &chunkRows) >= 0 &&
                     H5Pset_chunk_cache(access, 0, 0, 1.0) >= 0;
  hid_t dataset = ready ? H5Dcreate2(group, Hdf5DatasetName(name).c_str(), H5T_IEEE_F64LE, space,
                                     H5P_DEFAULT, creation, access)
                        : -1;
  CloseId(access, H5Pclose);
  CloseId(creation, H5Pclose);
  CloseId(space, H5Sclose);
  if (dataset >= 0 && !WriteTextAttribute(dataset, "units", {unit}, false)) {
    CloseId(dataset, H5Dclose);
  }
  return dataset;
}

// The chunk that starts at row `start` of `dataset`, written whole as it is
// stored (the doubles of this machine are those of the file); the dataset then
// holds `rows` rows. The library neither copies nor converts the numbers.
bool WriteChunk(hid_t dataset, hsize_t start, hsize_t rows, const std::vector<double>& chunk) {
  return H5Dset_extent(dataset, &rows) >= 0 &&
         H5Dwrite_chunk(dataset, H5P_DEFAULT, 0, &start, chunk.size() * sizeof(double),
                        chunk.data()) >= 0;
}

}  // namespace

std::string Hdf5DatasetName(const std::string& name) {
  if (name == ".") return "%2E";
  std::string escaped;
  for (const char c : name) {
    if (c == '%') {
      escaped += "%25";
    } else if (c == '/') {
      escaped += "%2F";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// A link at the name is removed, never followed, and the file is made anew
// where nothing stands: whatever appears there meanwhile makes the creation
// fail. The file is locked while it is written where the file system can lock
// it; the shared file systems of clusters often cannot, and are written all
// the same.
bool Hdf5File::Create(const std::string& fileName) {
  Close();
  failed = false;
  errorNumber = 0;
  if (IsRefusedOutput(fileName)) return false;
  PrepareLibrary();
  std::error_code ignored;
  std::filesystem::remove(fileName, ignored);
  hid_t access = H5Pcreate(H5P_FILE_ACCESS);
  errno = 0;
  if (access >= 0 && H5Pset_file_locking(access, true, true) >= 0) {
    id = H5Fcreate(fileName.c_str(), H5F_ACC_EXCL, H5P_DEFAULT, access);
  }
  if (id < 0) Fail(errno);
  CloseId(access, H5Pclose);
  return id >= 0;
}

bool Hdf5File::WriteRow(const std::string& group, const std::vector<Column>& columns,
                        const std::vector<double>& values) {
  Hdf5Table table;
  if (!table.Open(*this, group, columns)) return false;
  for (double value : values) table.Add(value);
  table.EndRow();
  return table.Close();
}

bool Hdf5File::WriteAttributes(const std::vector<Hdf5Attribute>& attributes) {
  if (!IsOpen()) return false;
  errno = 0;
  for (const Hdf5Attribute& attribute : attributes) {
    if (!WriteAttribute(id, attribute)) {
      Fail(errno);
      return false;
    }
  }
  return true;
}

bool Hdf5File::Flush() {
  if (!IsOpen()) return true;
  errno = 0;
  if (H5Fflush(id, H5F_SCOPE_LOCAL) < 0) Fail(errno);
  return !failed;
}

bool Hdf5File::Close() {
  if (!IsOpen()) return true;
  errno = 0;
  if (!CloseId(id, H5Fclose)) Fail(errno);
  return !failed;
}

// The library keeps what it reports of a failure on the thread's error stack
// until it is cleared.
void Hdf5File::Fail(int error) {
  if (!failed) errorNumber = FailureCause(error);
  failed = true;
  H5Eclear2(H5E_DEFAULT);
}

bool Hdf5Table::Open(Hdf5File& hdf5File, const std::string& group,
                     const std::vector<Column>& columns) {
  Close();
  if (!hdf5File.IsOpen()) return false;
  PrepareLibrary();
  errno = 0;
  hid_t groupId = CreateTableGroup(hdf5File.Id(), group, ColumnNames(columns));
  bool made = groupId >= 0;
  for (std::size_t c = 0; made && c < columns.size(); ++c) {
    const hid_t dataset = CreateColumn(groupId, columns[c].name, columns[c].unit, kChunkRows);
    made = dataset >= 0;
    if (made) datasets.push_back(dataset);
  }
  made = CloseId(groupId, H5Gclose) && made;
  if (!made) {
    hdf5File.Fail(errno);
    for (hid_t& dataset : datasets) CloseId(dataset, H5Dclose);
    datasets.clear();
    return false;
  }
  file = &hdf5File;
  block.assign(kChunkRows * datasets.size(), 0.0);
  column.assign(kChunkRows, 0.0);
  row = block.data();
  filled = 0;
  rowsGathered = 0;
  chunkStart = 0;
  rowsWritten = 0;
  failed = false;
  errorNumber = 0;
  return true;
}

void Hdf5Table::EndRow() {
  if (file == nullptr) return;
  std::fill(row + filled, row + datasets.size(), 0.0);
  filled = 0;
  ++rowsGathered;
  row += datasets.size();
  if (rowsGathered == kChunkRows) WriteBlock();
}

// The block holds the rows of one chunk, from its start: a chunk written
// before it was full (a window's frame) is written whole again with the rows
// added since. The rest of a chunk that is not full is 0.
bool Hdf5Table::WriteBlock() {
  if (rowsGathered > rowsWritten - chunkStart && !failed) {
    errno = 0;
    const std::size_t columns = datasets.size();
    bool written = true;
    for (std::size_t c = 0; written && c < columns; ++c) {
      for (std::size_t r = 0; r < rowsGathered; ++r) column[r] = block[r * columns + c];
      std::fill(column.begin() + static_cast<long>(rowsGathered), column.end(), 0.0);
      written = WriteChunk(datasets[c], chunkStart, chunkStart + rowsGathered, column);
    }
    if (written) {
      rowsWritten = chunkStart + rowsGathered;
    } else {
      failed = true;
      file->Fail(errno);
    }
  }
  if (rowsGathered == kChunkRows || failed) {
    chunkStart += rowsGathered;
    rowsGathered = 0;
    row = block.data();
  }
  return !failed;
}

bool Hdf5Table::Close() {
  if (file == nullptr) return true;
  bool ok = WriteBlock();
  errno = 0;
  for (hid_t& dataset : datasets) {
    if (!CloseId(dataset, H5Dclose)) {
      ok = false;
      file->Fail(errno);
    }
  }
  datasets.clear();
  errorNumber = file->ErrorNumber();
  ok = ok && errorNumber == 0;
  file = nullptr;
  filled = 0;
  return ok;
}
