#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <string>
#include <string_view>

// --help in the reader's language: CLI11's own words from the catalog, and descriptions in a
// language written without spaces between words wrapped to the terminal's 80 columns.
namespace morvane {

// The columns text (UTF-8) takes on a terminal: two for each East Asian wide character, one for
// any other.
std::size_t DisplayWidth(std::string_view text);

// text with each line broken into lines of at most width columns: at a space (which goes), or
// between wide characters; never before a closing mark (、。」) or after an opening one, and never
// inside a run of Latin letters (a word longer than width stays whole).
std::string WrapText(std::string_view text, std::size_t width);

// CLI11's help in the current language: its labels (Usage, OPTIONS...) translated, and with wrap
// every description wrapped to fit 80 columns.
class HelpFormatter : public CLI::Formatter {
 public:
  explicit HelpFormatter(bool wrap);
  std::string make_description(const CLI::App* app) const override;
  std::string make_option_desc(const CLI::Option* option) const override;

 private:
  bool wrap_;
};

// Whether the current language's help is wrapped by the program: one written without spaces
// between words (Japanese). English is left to the terminal, which breaks it at its spaces.
bool WrapsHelp();

}  // namespace morvane
