#include "support/scoped_environment.hpp"

#include <cstdlib>

namespace quirelle::testing {

namespace {

void Put(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
}

}  // namespace

ScopedVariable::ScopedVariable(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
    if (const char* previous = std::getenv(name_.c_str())) {
        previous_ = previous;
    }
    Put(name_, value);
}

ScopedVariable::~ScopedVariable() {
    Put(name_, previous_);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::filesystem::path& directory)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    std::error_code error;
    std::filesystem::current_path(previous_, error);
}

}  // namespace quirelle::testing
