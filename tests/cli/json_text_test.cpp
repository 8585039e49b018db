#include "cli/json_text.h"

#include <gtest/gtest.h>

namespace ql::cli {
namespace {

TEST(JsonString, KeepsUtf8AndEscapesWhatJsonMustNotHoldRaw) {
  const struct {
    std::string text, json;
  } cases[] = {
      {"", R"("")"},
      {"QL0001", R"("QL0001")"},
      {R"(a"b\c)", R"("a\"b\\c")"},
      {"line\nnext\t\x1B", R"("line\u000Anext\u0009\u001B")"},
      {"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x94\x8C",
       "\"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x94\x8C\""},
      // Not UTF-8: a lone continuation byte, a cut sequence, an overlong
      // form, a surrogate, Latin-1.
      {"a\x80z", "\"a\xEF\xBF\xBDz\""},
      {"a\xE2\x82", "\"a\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"caf\xE9", "\"caf\xEF\xBF\xBD\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

}  // namespace
}  // namespace ql::cli
