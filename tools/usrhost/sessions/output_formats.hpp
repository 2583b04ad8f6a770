#pragma once
// What a run prints: a table, CSV or JSON of every snapshot.
#include <ostream>
#include <vector>

#include "tools/usrhost/sessions/drive.hpp"

namespace usrhost {

enum class OutputFormat { kTable, kCsv, kJson };

// One table for every snapshot: a column for the snapshot (dump or sweep position), and for arrays
// one row per element. The table shows each value with its parameter's declared format; CSV
// (RFC 4180) and JSON give the shortest text that reads back as the same float32.
void PrintOutputs(std::ostream& out, const ModuleDescription& module, const std::vector<Outputs>& snapshots,
                  OutputFormat format);

}  // namespace usrhost
