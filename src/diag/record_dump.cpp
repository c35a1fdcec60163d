#include "diag/record_dump.h"

namespace kestrel {

// Placeholder until the record dump lands.
void dumpRecordTable(Decoder&, DumpCounters&, const char*, Bytes) {}

}  // namespace kestrel
