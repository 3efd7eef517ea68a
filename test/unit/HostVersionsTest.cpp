#include <gtest/gtest.h>

#include <string>

#include "portable/HostVersions.h"

namespace orvax {
namespace {

std::string errorFor(const std::string& request) {
  HostVersions versions;
  std::string error;
  EXPECT_FALSE(readHostVersions(request, versions, error)) << request;
  return error;
}

TEST(HostVersions, ReadsIntegersAndCutsFractionsTowardZero) {
  HostVersions v;
  std::string error;
  ASSERT_TRUE(readHostVersions(
      R"({"bk_version_number": 2400, "major_version": 24, "minor_version": 1, "files": ["a"]})", v,
      error));
  EXPECT_EQ(v.version, 2400);
  EXPECT_EQ(v.major, 24);
  EXPECT_EQ(v.minor, 1);
  ASSERT_TRUE(readHostVersions(
      R"({"bk_version_number": 2400.0, "major_version": 24.7, "minor_version": -1.5})", v, error));
  EXPECT_EQ(v.version, 2400);
  EXPECT_EQ(v.major, 24);
  EXPECT_EQ(v.minor, -1);
  ASSERT_TRUE(readHostVersions(
      R"({"bk_version_number": 9223372036854775807, "major_version": -9223372036854775808,
          "minor_version": 0})",
      v, error));
  EXPECT_EQ(v.version, INT64_MAX);
  EXPECT_EQ(v.major, INT64_MIN);
}

TEST(HostVersions, GivesTheLibrarysMessagesForBadRequests) {
  EXPECT_EQ(errorFor(R"({"bk_version_number": 1, "major_version": 2})"),
            "[json.exception.type_error.302] type must be number, but is null");
  EXPECT_EQ(errorFor(R"({"bk_version_number": 1, "major_version": "24", "minor_version": 1})"),
            "[json.exception.type_error.302] type must be number, but is string");
  EXPECT_EQ(errorFor(R"({"bk_version_number": true, "major_version": 2, "minor_version": 1})"),
            "[json.exception.type_error.302] type must be number, but is boolean");
  EXPECT_EQ(errorFor("[1, 2, 3]"),
            "[json.exception.type_error.305] cannot use operator[] with a string argument with "
            "array");
  EXPECT_EQ(errorFor(""),
            "[json.exception.parse_error.101] parse error at line 1, column 1: attempting to "
            "parse an empty input; check that your input string or stream contains the "
            "expected JSON");
  EXPECT_EQ(errorFor("null"), "[json.exception.type_error.302] type must be number, but is null");
  EXPECT_NE(errorFor("{\"bk_version_number\": 1,").find("parse_error.101"), std::string::npos);
}

TEST(HostVersions, RefusesNumbersBeyondTheSignedRange) {
  EXPECT_EQ(errorFor(R"({"bk_version_number": 1e19, "major_version": 2, "minor_version": 1})"),
            "version number out of range: bk_version_number");
  EXPECT_EQ(
      errorFor(
          R"({"bk_version_number": 1, "major_version": 9223372036854775808, "minor_version": 1})"),
      "version number out of range: major_version");
}

}  // namespace
}  // namespace orvax
