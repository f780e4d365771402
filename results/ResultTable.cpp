#include "results/ResultTable.h"

bool ResultTable::OpenCsv(const std::string& fileName, const std::vector<std::string>& columns,
                          bool flushEveryRow) {
  Close();
  binary = false;
  return csv.Open(fileName, columns, flushEveryRow);
}

bool ResultTable::OpenHdf5(Hdf5File& file, const std::string& group,
                           const std::vector<Column>& columns) {
  Close();
  binary = true;
  return hdf5.Open(file, group, columns);
}
