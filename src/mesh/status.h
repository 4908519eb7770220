// The outcome of a mesh operation that can refuse its input: done, or refused with a sentence saying why.
#pragma once

#include <string>
#include <utility>

namespace mesh {

class [[nodiscard]] Status {
public:
    static Status done() { return Status(); }
    static Status refused(std::string why) { return Status(std::move(why)); }

    bool ok() const { return why_.empty(); }
    const std::string& message() const { return why_; }

private:
    Status() = default;
    explicit Status(std::string why) : why_(why.empty() ? "refused" : std::move(why)) {}

    std::string why_;
};

}  // namespace mesh
