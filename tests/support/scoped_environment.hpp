#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quirelle::testing {

// Sets an environment variable (or, given nothing, removes it) for as long as it lives, and then
// puts back what was there before.
class ScopedVariable {
  public:
    ScopedVariable(std::string name, const std::optional<std::string>& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Makes `directory` the current one for as long as it lives.
class ScopedCurrentDirectory {
  public:
    explicit ScopedCurrentDirectory(const std::filesystem::path& directory);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

  private:
    std::filesystem::path previous_;
};

}  // namespace quirelle::testing
