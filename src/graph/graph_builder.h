// Builds the object graph from a byte-coded scene script: one constructor call per record, arguments
// tagged by type, back-references to earlier records. Malformed scripts fail with a message, never read
// outside the script.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "graph/constructor.h"
#include "graph/script_object.h"

namespace graph {

// Receives the number of script bytes consumed so far, after each record's object exists.
using ProgressCallback = std::function<void(std::int32_t bytesConsumed)>;

// Limits of one script: built objects, and arguments of one record.
constexpr std::int32_t kMaxRecords = 16384;
constexpr std::int32_t kMaxArguments = 256;

// Argument tags of the script format.
enum class Tag : std::uint8_t {
    Zero = 0,
    Int = 1,
    Float = 2,
    Reference = 3,
    List = 4,
    Blob = 5,
    Data = 6,
    End = 255,
};

struct BuildResult {
    ScriptObject* root = nullptr;  // the last record's object; null for an empty script or on error
    std::int32_t records = 0;      // records whose constructor ran
    std::string error;             // empty on success

    bool ok() const { return error.empty(); }
};

// Runs the script's records in order and returns the last record's object. Built objects and lists are
// owned by store. A script that is malformed (unknown class, reference outside the built records, too
// many records or arguments, a record or block running past the end, a negative block length, no end
// marker) stops the build with result.error set; the records before it stay built. So does a record
// whose constructor rejects its arguments (ObjectStore::rejectRecord).
BuildResult buildGraph(std::span<const std::uint8_t> script, ClassTable table, const ProgressCallback& progress,
                       ObjectStore& store);

}  // namespace graph
