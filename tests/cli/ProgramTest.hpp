#pragma once
// The fixture of tests that run a built program: a fresh, empty folder per test for the
// program's inputs and outputs, removed afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kelvarin::testing {

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const ::testing::TestInfo& test = *::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("kelvarin-" + std::to_string(::getpid()) + "-" + test.test_suite_name() + "-" + test.name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // a file in the test's folder
    std::filesystem::path At(const std::string& name) const { return dir_ / name; }
    // a path quoted for the shell
    static std::string Q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

    std::filesystem::path dir_;
};

}  // namespace kelvarin::testing
