// Test helpers that write scene scripts and timeline event streams byte by byte.
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace testsupport {

inline void appendU32LE(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline void appendI32LE(std::vector<std::uint8_t>& out, std::int32_t value) {
    appendU32LE(out, static_cast<std::uint32_t>(value));
}

inline void appendF32LE(std::vector<std::uint8_t>& out, float value) {
    appendU32LE(out, std::bit_cast<std::uint32_t>(value));
}

// Writes records: record(class) then arguments then end(); finish() appends the end marker.
class ScriptWriter {
public:
    ScriptWriter& record(std::int32_t classIndex) {
        appendI32LE(bytes_, classIndex);
        return *this;
    }
    ScriptWriter& zero() { return tag(0); }
    ScriptWriter& integer(std::int32_t value) {
        tag(1);
        appendI32LE(bytes_, value);
        return *this;
    }
    ScriptWriter& real(float value) {
        tag(2);
        appendF32LE(bytes_, value);
        return *this;
    }
    ScriptWriter& ref(std::int32_t k) {
        tag(3);
        appendI32LE(bytes_, k);
        return *this;
    }
    // countField's low byte is the entry count; the other bytes are written as given.
    ScriptWriter& list(std::initializer_list<std::int32_t> refs, std::uint32_t countField) {
        tag(4);
        appendU32LE(bytes_, countField);
        for (std::int32_t k : refs) {
            appendI32LE(bytes_, k);
        }
        return *this;
    }
    ScriptWriter& list(std::initializer_list<std::int32_t> refs) {
        return list(refs, static_cast<std::uint32_t>(refs.size()));
    }
    ScriptWriter& blob(std::span<const std::uint8_t> payload) { return block(5, payload); }
    ScriptWriter& data(std::span<const std::uint8_t> payload) { return block(6, payload); }
    ScriptWriter& tag(std::uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    ScriptWriter& end() { return tag(255); }
    ScriptWriter& rawI32(std::int32_t value) {
        appendI32LE(bytes_, value);
        return *this;
    }
    ScriptWriter& raw(std::initializer_list<std::uint8_t> values) {
        bytes_.insert(bytes_.end(), values);
        return *this;
    }

    std::vector<std::uint8_t> finish() const {
        std::vector<std::uint8_t> out = bytes_;
        appendI32LE(out, -1);
        return out;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    ScriptWriter& block(std::uint8_t tagValue, std::span<const std::uint8_t> payload) {
        tag(tagValue);
        appendI32LE(bytes_, static_cast<std::int32_t>(payload.size()));
        bytes_.insert(bytes_.end(), payload.begin(), payload.end());
        return *this;
    }

    std::vector<std::uint8_t> bytes_;
};

// Writes timeline events.
class EventWriter {
public:
    EventWriter& insert(float time, std::int32_t position, std::int32_t poolIndex, float offset = 0.0f) {
        bytes_.push_back(0);
        appendF32LE(bytes_, time);
        appendI32LE(bytes_, position);
        appendI32LE(bytes_, poolIndex);
        appendF32LE(bytes_, offset);
        return *this;
    }
    EventWriter& remove(float time, std::int32_t position, std::uint8_t kind = 1) {
        bytes_.push_back(kind);
        appendF32LE(bytes_, time);
        appendI32LE(bytes_, position);
        return *this;
    }
    EventWriter& end() {
        bytes_.push_back(255);
        return *this;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace testsupport
