#pragma once

// The command line: its parser, the hand-over of a second start's command line to the running
// instance, and the command line of the auto-run entry.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/settings/ProgramState.h"

// Upper-cases a-z only, so that options compare alike whatever the locale.
std::string AsciiUpper(std::string text);

std::string AddBackslash(const std::string& path);

// The words of a command line, in order: blanks separate them, and a word in double quotes may
// hold blanks (an unclosed quote runs to the end; text right after the closing quote starts a
// new word). Blanks after the last word give one last, empty word.
class ParamWords {
  public:
    // Words are read from the text in place: it must outlive the walker.
    explicit ParamWords(std::string_view text) : text_(text) {}
    bool More() const { return position_ < text_.size(); }
    // The next word; empty when there is none.
    std::string Next();
    // Where the next word's search starts, from 0.
    std::size_t Position() const { return position_; }

  private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// The one walk over the options of a command line: onOption(option, words) for each word, the
// option upper-cased; the handler takes its operands with words.Next(). A handler that returns
// false ends the walk.
template <typename OnOption>
void WalkOptions(std::string_view text, OnOption&& onOption) {
    ParamWords words(text);
    while (words.More())
        if (!onOption(AsciiUpper(words.Next()), words)) return;
}

void ParseParams(ProgramState& state, const std::string& text, const ParseEnvironment& env);
// What the running instance does with a command line handed over to it.
struct HandOverOutcome {
    bool StartSession = false;  // logging (again): a new session starts
    bool ShowViewer = false;
    // A log named with /F while another one is being recorded: the viewer shows the recorded
    // log and says so; empty otherwise.
    std::string OtherLog;
};
// Applies a handed-over command line to the running instance's state. While logging, a
// command line without /L only opens the viewer: logging and its log stay as they are.
HandOverOutcome ApplyHandOver(ProgramState& state, const std::string& text,
                              const ParseEnvironment& env);
// Parameters 1..argc-1, each followed by one space; a parameter that is empty or holds a space
// is put in double quotes. Double quotes inside a parameter are dropped, since ParamWords has
// no escape for them and one would otherwise split or swallow parameters.
std::string JoinParams(int argc, const char* const* argv);

// Parameters of the auto-run entry: "/l", then " /u " and the user name (quoted when it
// holds a space) for one user, then " /f " and the quoted log path when the log was named with
// /F (a folder with its backslash doubled at the end), so the start with Windows records where
// the user records.
std::string AutoRunParams(const ProgramState& state);
