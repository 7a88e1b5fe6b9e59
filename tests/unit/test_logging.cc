// The message functions and the logging record: one flushed line on standard output made of
// the short tool name (empty before the facade's init, so the line starts with a blank), the
// keyword and the message; Abort ends the process with status 3; the log file operations.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "config_snapshot.hh"

namespace fs = std::filesystem;

namespace {

using LoggingTest = FrontEndState;

enum class Kind { Warn, Error, Info };

struct MessageCase {
  Kind kind;
  const char* prefix;  // short tool name in force
  bool as_string;      // message passed as std::string rather than const char*
  const char* expected;
};

void PrintTo(const MessageCase& c, std::ostream* os) {
  const char* kinds[] = {"Warn", "Error", "Info"};
  *os << kinds[static_cast<int>(c.kind)] << ", prefix \"" << c.prefix << "\""
      << (c.as_string ? ", std::string" : ", const char*");
}

void say(Kind kind, bool as_string, const char* msg) {
  if (as_string) {
    std::string s(msg);
    switch (kind) {
      case Kind::Warn: Warn(s); break;
      case Kind::Error: Error(s); break;
      case Kind::Info: Info(s); break;
    }
  } else {
    switch (kind) {
      case Kind::Warn: Warn(msg); break;
      case Kind::Error: Error(msg); break;
      case Kind::Info: Info(msg); break;
    }
  }
}

class MessageTest : public FrontEndState, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(MessageTest, OneLineWithPrefix) {
  const MessageCase& c = GetParam();
  XRT::set_stname(c.prefix);
  testing::internal::CaptureStdout();
  say(c.kind, c.as_string, "CPU time exceeded");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), c.expected);
}

// The line reaches standard output even when the process ends without flushing its streams.
TEST_P(MessageTest, LineIsFlushed) {
  const MessageCase& c = GetParam();
  XRT::set_stname(c.prefix);
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        say(c.kind, c.as_string, "CPU time exceeded");
        ::_exit(0);
      },
      ::testing::ExitedWithCode(0), ::testing::Eq(std::string(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, MessageTest,
    ::testing::Values(MessageCase{Kind::Warn, "", false, " WARN: CPU time exceeded\n"},
                      MessageCase{Kind::Warn, "QRN", true, "QRN WARN: CPU time exceeded\n"},
                      MessageCase{Kind::Error, "", true, " ERROR: CPU time exceeded\n"},
                      MessageCase{Kind::Error, "QRN", false, "QRN ERROR: CPU time exceeded\n"},
                      MessageCase{Kind::Info, "", false, " INFO: CPU time exceeded\n"},
                      MessageCase{Kind::Info, "QRN", true, "QRN INFO: CPU time exceeded\n"}));

TEST_F(LoggingTest, ToolNamesStartEmptyAndAreSetTogether) {
  EXPECT_EQ(XRT::get_tname(), "");
  EXPECT_EQ(XRT::get_stname(), "");
  LogUtils::set_tool_log_names("Quarnel", "QRN");
  EXPECT_EQ(XRT::get_tname(), "Quarnel");
  EXPECT_EQ(XRT::get_stname(), "QRN");
  // The long name is never printed.
  testing::internal::CaptureStdout();
  Info("x");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "QRN INFO: x\n");
}

TEST_F(LoggingTest, MessagesAreNotFilteredByVerbosity) {
  LogUtils::set_log_verbosity(0);
  q().set_verbosity(0);
  testing::internal::CaptureStdout();
  Warn("w");
  Info("i");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), " WARN: w\n INFO: i\n");
}

struct AbortCase {
  const char* prefix;
  bool as_string;
  const char* expected;
};

void PrintTo(const AbortCase& c, std::ostream* os) {
  *os << "prefix \"" << c.prefix << "\"" << (c.as_string ? ", std::string" : ", const char*");
}

class AbortTest : public FrontEndState, public ::testing::WithParamInterface<AbortCase> {};

TEST_P(AbortTest, ErrorLineThenExitThree) {
  const AbortCase& c = GetParam();
  XRT::set_stname(c.prefix);
  EXPECT_EXIT(
      {
        route_stdout_to_stderr();
        if (c.as_string)
          Abort(std::string("Could not open file: ") + "a b.cnf");
        else
          Abort("Could not open file: a b.cnf");
      },
      ::testing::ExitedWithCode(3), ::testing::Eq(std::string(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, AbortTest,
    ::testing::Values(AbortCase{"", false, " ERROR: Could not open file: a b.cnf\n"},
                      AbortCase{"", true, " ERROR: Could not open file: a b.cnf\n"},
                      AbortCase{"QRN", true, "QRN ERROR: Could not open file: a b.cnf\n"}));

TEST_F(LoggingTest, LogVerbosityAndErrorStream) {
  LogUtils::set_log_verbosity(6);
  EXPECT_EQ(Logger::verbosity, 6);
  std::ostringstream err;
  LogUtils::set_error_stream(&err);
  EXPECT_EQ(Logger::errf, &err);
  Error("not for the error stream");  // messages go to standard output only
  EXPECT_EQ(err.str(), "");
  LogUtils::set_error_stream(nullptr);
  EXPECT_EQ(Logger::errf, nullptr);
}

// Opening, reopening and closing the log file; closing twice is harmless.
TEST_F(LoggingTest, LogFileLifecycle) {
  std::string tmpl = (fs::temp_directory_path() / "quarnel-log-XXXXXX").string();
  ASSERT_NE(::mkdtemp(&tmpl[0]), nullptr);
  fs::path dir = tmpl;

  fs::path first = dir / "first.log";
  {
    std::ofstream pre(first);
    pre << "stale\n";
  }
  LogUtils::set_log_fname(first.c_str());
  ASSERT_NE(Logger::logf, nullptr);
  EXPECT_EQ(fs::file_size(first), 0u);  // emptied on opening
  *Logger::logf << "one";

  fs::path second = dir / "second.log";
  LogUtils::set_log_fname(second.c_str());
  *Logger::logf << "two";
  LogUtils::log_cleanup();
  EXPECT_EQ(Logger::logf, nullptr);
  LogUtils::log_cleanup();
  EXPECT_EQ(Logger::logf, nullptr);

  // Replacing the stream closed the first file with its content intact.
  std::ifstream in1(first), in2(second);
  std::string content;
  std::getline(in1, content);
  EXPECT_EQ(content, "one");
  std::getline(in2, content);
  EXPECT_EQ(content, "two");

  fs::remove_all(dir);
}

// A file that cannot be created leaves a stream that silently drops what it receives.
TEST_F(LoggingTest, UncreatableLogFileDropsOutput) {
  LogUtils::set_log_fname("/nonexistent-quarnel-dir/sub/quarnel.log");
  ASSERT_NE(Logger::logf, nullptr);
  EXPECT_FALSE(Logger::logf->good());
  *Logger::logf << "dropped" << std::endl;
  LogUtils::log_cleanup();
  EXPECT_EQ(Logger::logf, nullptr);
}

}  // namespace
