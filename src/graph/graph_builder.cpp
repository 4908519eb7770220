// The scene-script decoder: validates every record before its constructor runs.
#include "graph/graph_builder.h"

#include <vector>

#include "graph/byte_reader.h"

namespace graph {

namespace {

constexpr std::int32_t kEndOfScript = -1;

class ScriptDecoder {
public:
    ScriptDecoder(std::span<const std::uint8_t> script, ClassTable table, ObjectStore& store)
        : reader_(script), table_(table), store_(store) {
        arguments_.reserve(kMaxArguments);
    }

    BuildResult run(const ProgressCallback& progress);

private:
    // Reads one record's arguments up to its end tag; false (with error_ set) when the record is malformed.
    bool readArguments();
    bool readArgument(Tag tag);
    bool readReference(ScriptObject*& object);
    bool readBlock(const std::uint8_t*& lengthField, std::span<const std::uint8_t>& bytes);
    bool fail(const std::string& what);

    ByteReader reader_;
    ClassTable table_;
    ObjectStore& store_;
    std::vector<ScriptObject*> built_;
    std::vector<ScriptArg> arguments_;
    std::size_t recordStart_ = 0;
    std::string error_;
};

bool ScriptDecoder::fail(const std::string& what) {
    error_ = "scene script: record " + std::to_string(built_.size()) + " (at byte " +
             std::to_string(recordStart_) + "): " + what;
    return false;
}

BuildResult ScriptDecoder::run(const ProgressCallback& progress) {
    BuildResult result;
    for (;;) {
        recordStart_ = reader_.position();
        const std::int32_t classIndex = reader_.readI32LE();
        if (reader_.failed()) {
            fail("the script ends without its end marker");
            break;
        }
        if (classIndex == kEndOfScript) {
            return result;
        }
        if (built_.size() >= static_cast<std::size_t>(kMaxRecords)) {
            fail("more than " + std::to_string(kMaxRecords) + " records");
            break;
        }
        if (classIndex < 0 || static_cast<std::size_t>(classIndex) >= table_.size()) {
            fail("class index " + std::to_string(classIndex) + " is outside the class table (" +
                 std::to_string(table_.size()) + " classes)");
            break;
        }
        if (!readArguments()) {
            break;
        }
        const Constructor constructor = table_[static_cast<std::size_t>(classIndex)];
        ScriptObject* object = constructor != nullptr ? constructor(store_, arguments_) : nullptr;
        if (std::string reason = store_.takeRejection(); !reason.empty()) {
            fail(reason);
            break;
        }
        built_.push_back(object);
        result.root = object;
        result.records = static_cast<std::int32_t>(built_.size());
        if (progress) {
            progress(static_cast<std::int32_t>(reader_.position()));
        }
    }
    result.root = nullptr;
    result.error = error_;
    return result;
}

bool ScriptDecoder::readArguments() {
    arguments_.clear();
    for (;;) {
        const auto tag = static_cast<Tag>(reader_.readU8());
        if (reader_.failed()) {
            return fail("the record runs past the end of the script");
        }
        if (tag == Tag::End) {
            return true;
        }
        if (arguments_.size() >= static_cast<std::size_t>(kMaxArguments)) {
            return fail("more than " + std::to_string(kMaxArguments) + " arguments");
        }
        if (!readArgument(tag)) {
            return false;
        }
    }
}

bool ScriptDecoder::readArgument(Tag tag) {
    switch (tag) {
    case Tag::Int:
        arguments_.push_back(ScriptArg::integer(reader_.readI32LE()));
        break;
    case Tag::Float:
        arguments_.push_back(ScriptArg::real(reader_.readU32LE()));
        break;
    case Tag::Reference: {
        ScriptObject* object = nullptr;
        if (!readReference(object)) {
            return false;
        }
        arguments_.push_back(ScriptArg::object(object));
        break;
    }
    case Tag::List: {
        // Only the low byte of the four-byte count field is the count.
        const std::uint8_t count = reader_.readU8();
        reader_.skip(3);
        PointerArray* list = store_.makeList();
        for (int i = 0; i < count; ++i) {
            ScriptObject* object = nullptr;
            if (!readReference(object)) {
                return false;
            }
            list->pushValue(object);
        }
        arguments_.push_back(ScriptArg::list(list));
        break;
    }
    case Tag::Blob:
    case Tag::Data: {
        const std::uint8_t* lengthField = nullptr;
        std::span<const std::uint8_t> bytes;
        if (!readBlock(lengthField, bytes)) {
            return false;
        }
        arguments_.push_back(tag == Tag::Blob ? ScriptArg::blob(lengthField, bytes) : ScriptArg::data(bytes));
        break;
    }
    default:
        // Tag 0 and every unknown tag pass a zero and consume only the tag byte.
        arguments_.push_back(ScriptArg::zero());
        break;
    }
    if (reader_.failed()) {
        return fail("the record runs past the end of the script");
    }
    return true;
}

// Back-reference k names the object built k + 1 records before the current one.
bool ScriptDecoder::readReference(ScriptObject*& object) {
    const std::int64_t k = reader_.readI32LE();
    if (reader_.failed()) {
        return fail("the record runs past the end of the script");
    }
    const auto built = static_cast<std::int64_t>(built_.size());
    const std::int64_t index = built - 1 - k;
    if (index < 0 || index >= built) {
        return fail("back-reference " + std::to_string(k) + " does not name one of the " + std::to_string(built) +
                    " records built so far");
    }
    object = built_[static_cast<std::size_t>(index)];
    return true;
}

bool ScriptDecoder::readBlock(const std::uint8_t*& lengthField, std::span<const std::uint8_t>& bytes) {
    lengthField = reader_.cursor();
    const std::int32_t length = reader_.readI32LE();
    if (reader_.failed()) {
        return fail("the record runs past the end of the script");
    }
    if (length < 0) {
        return fail("block length " + std::to_string(length) + " is negative");
    }
    bytes = reader_.readBytes(static_cast<std::size_t>(length));
    if (reader_.failed()) {
        return fail("a block of " + std::to_string(length) + " bytes runs past the end of the script");
    }
    return true;
}

}  // namespace

BuildResult buildGraph(std::span<const std::uint8_t> script, ClassTable table, const ProgressCallback& progress,
                       ObjectStore& store) {
    ScriptDecoder decoder(script, table, store);
    return decoder.run(progress);
}

}  // namespace graph
