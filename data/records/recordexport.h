// A set of rows written out through one of the exchange formats' writers.
#pragma once

#include "data/exchange/exchange.h"
#include "recordmodel.h"

namespace dalil::Exchange {

// Every row of a set as a record of its book, in the set's order, each with its UID where the
// book's records have them.
bool write(const RecordModel &rows, RecordWriter &writer, const Progress &progress);

} // namespace dalil::Exchange
