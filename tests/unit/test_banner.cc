// The banner in its three variants, and the log file that the log variant creates in the
// current directory: exactly the four banner lines, emptied first, and a run that goes on with
// the banner on standard output only when the file cannot be created. Every test runs inside a
// fresh temporary directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "app/build_info.hh"
#include "app/cmdline.hh"
#include "config_snapshot.hh"

namespace fs = std::filesystem;

namespace {

const std::string kCompetitionBanner =
    "c *** Quarnel MaxSAT solver, version " QUARNEL_VERSION ", built " QUARNEL_BUILD_DATE " ***\n"
    "c *** Author: " QUARNEL_MAINTAINER " (" QUARNEL_CONTACT ") ***\n"
    "c *** Instance: dir/inst.wcnf ***\n"
    "c \n";

const std::string kLogBanner =
    "c *** Quarnel MaxSAT Solver ***\n"
    "c *** Quarnel, version " QUARNEL_VERSION ", distrib " QUARNEL_DISTRIB_DATE
    ", built " QUARNEL_BUILD_DATE " ***\n"
    "c *** " QUARNEL_CONTACT " ***\n"
    "c \n";

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class BannerTest : public FrontEndState {
protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "quarnel-banner-XXXXXX").string();
    ASSERT_NE(::mkdtemp(&tmpl[0]), nullptr);
    dir_ = tmpl;
    old_cwd_ = fs::current_path();
    fs::current_path(dir_);
    q().set_runtime_defaults();
  }

  void TearDown() override {
    FrontEndState::TearDown();
    fs::current_path(old_cwd_);
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string banner() {
    testing::internal::CaptureStdout();
    print_header(q(), "dir/inst.wcnf");
    return testing::internal::GetCapturedStdout();
  }

  fs::path dir_;
  fs::path old_cwd_;
};

TEST_F(BannerTest, ConstantsHaveTheirShape) {
  EXPECT_TRUE(std::regex_match(QUARNEL_VERSION, std::regex(R"([0-9]+(\.[0-9]+)+)")));
  EXPECT_TRUE(std::regex_match(QUARNEL_DISTRIB_DATE, std::regex(R"([0-9]{4}-[0-9]{2}-[0-9]{2})")));
  EXPECT_TRUE(std::regex_search(QUARNEL_BUILD_DATE, std::regex(R"(^[0-9]{4}-[0-9]{2}-[0-9]{2})")));
  EXPECT_STREQ(QUARNEL_TOOL_NAME, "Quarnel");
  EXPECT_STREQ(QUARNEL_LOG_FNAME, "quarnel.log");
  EXPECT_NE(std::string(QUARNEL_MAINTAINER), "");
  EXPECT_NE(std::string(QUARNEL_CONTACT).find("README"), std::string::npos);
}

TEST_F(BannerTest, CompetitionVariantNamesTheInstance) {
  EXPECT_EQ(banner(), kCompetitionBanner);
  EXPECT_FALSE(fs::exists("quarnel.log"));
}

TEST_F(BannerTest, PlainVariantIsOneLine) {
  q().unset_comp_format();
  EXPECT_EQ(banner(), "Running instance: dir/inst.wcnf\n");
  EXPECT_FALSE(fs::exists("quarnel.log"));
}

TEST_F(BannerTest, LogVariantWritesTheSameLinesToTheLog) {
  q().set_logging();
  EXPECT_EQ(banner(), kLogBanner);
  EXPECT_EQ(read_file("quarnel.log"), kLogBanner);
}

// Logging decides the variant before the output format does.
TEST_F(BannerTest, LogVariantAlsoInPlainFormat) {
  q().set_logging();
  q().unset_comp_format();
  EXPECT_EQ(banner(), kLogBanner);
  EXPECT_EQ(read_file("quarnel.log"), kLogBanner);
}

TEST_F(BannerTest, ExistingLogIsEmptiedFirst) {
  {
    std::ofstream old("quarnel.log");
    old << std::string(4096, 'x') << "\nold run\n";
  }
  q().set_logging();
  EXPECT_EQ(banner(), kLogBanner);
  EXPECT_EQ(read_file("quarnel.log"), kLogBanner);
}

// A directory in the way of the log file: the banner still reaches standard output.
TEST_F(BannerTest, LogBlockedByDirectory) {
  fs::create_directory("quarnel.log");
  q().set_logging();
  EXPECT_EQ(banner(), kLogBanner);
  EXPECT_TRUE(fs::is_directory("quarnel.log"));
  EXPECT_TRUE(fs::is_empty("quarnel.log"));
}

// The current directory no longer exists, so nothing can be created in it.
TEST_F(BannerTest, LogInVanishedDirectory) {
  fs::path sub = dir_ / "gone";
  fs::create_directory(sub);
  fs::current_path(sub);
  fs::remove(sub);
  q().set_logging();
  EXPECT_EQ(banner(), kLogBanner);
  fs::current_path(dir_);
  EXPECT_FALSE(fs::exists(sub));
}

// Banner lines are flushed as they are written: a process that ends without flushing its
// streams still leaves them on standard output and in the log file.
TEST_F(BannerTest, CompetitionLinesAreFlushed) {
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        print_header(q(), "dir/inst.wcnf");
        ::_exit(0);
      },
      ::testing::ExitedWithCode(0), ::testing::Eq(kCompetitionBanner));
}

TEST_F(BannerTest, LogLinesAreFlushed) {
  q().set_logging();
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        print_header(q(), "dir/inst.wcnf");
        ::_exit(0);
      },
      ::testing::ExitedWithCode(0), ::testing::Eq(kLogBanner));
  EXPECT_EQ(read_file("quarnel.log"), kLogBanner);
}

}  // namespace
