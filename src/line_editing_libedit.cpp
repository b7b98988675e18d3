// Line editing of what a person types at a terminal, with libedit through its
// readline-compatible interface; the history of each prompt is kept apart
// with libedit's own history calls.
#include "console.h"
#include "line_editing.h"

#include <cstdio>
// The readline interface needs FILE declared first.
#include <histedit.h>
#include <readline.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <unistd.h>

namespace {

constexpr std::size_t kPromptSize = 80;
// The dialogue has five prompts; a prompt beyond these gets no history.
constexpr std::size_t kPrompts = 8;
// Answers remembered per prompt: a long day at the keyboard.
constexpr int kAnswersKept = 1000;

// The line the editor gave last, until the dialogue has read it and its line
// end; like the C library's buffer for stdin, it lives as long as the run.
char* typed = nullptr;
std::size_t typedSize = 0;
std::size_t typedRead = 0;
bool ended = false;

// The answers typed at each prompt, so that Up recalls those of the prompt
// shown, not the last line typed whatever it answered.
char promptOf[kPrompts][kPromptSize];
History* answersTo[kPrompts];

// The editor counts the prompts' UTF-8 and the typed text in characters, and
// drops bytes that do not form one. An unset locale, or one asked for but not
// installed, is taken as UTF-8, which the dialogue itself prints; with an
// installed locale of another character set, the terminal's own line
// reading keeps every byte.
bool UseUtf8Characters()
{
    const char* name = std::setlocale(LC_CTYPE, "");
    if (name == nullptr)
        return std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0)
        return true;
    if ((std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0) &&
        std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr)
        return true;
    std::setlocale(LC_CTYPE, "C");
    return false;
}

// The history of the prompt, made at its first use; null when none can be.
History* AnswersTo(const char* prompt)
{
    for (std::size_t i = 0; i < kPrompts; ++i) {
        if (answersTo[i] == nullptr) {
            HistEvent event;
            answersTo[i] = history_init();
            if (answersTo[i] == nullptr)
                return nullptr;
            history(answersTo[i], &event, H_SETSIZE, kAnswersKept);
            history(answersTo[i], &event, H_SETUNIQUE, 1);
            std::memcpy(promptOf[i], prompt, std::strlen(prompt) + 1);
        }
        if (std::strcmp(promptOf[i], prompt) == 0)
            return answersTo[i];
    }
    return nullptr;
}

// Puts the prompt's earlier answers where Up and Down find them.
void RecallAnswers(History* answers)
{
    clear_history();
    HistEvent event;
    // From the oldest: Up brings the latest first.
    for (int at = history(answers, &event, H_LAST); at == 0; at = history(answers, &event, H_PREV))
        add_history(event.str);
}

// The prompt must fit in kPromptSize bytes with its NUL.
void ReadTypedLine(const char* prompt)
{
    History* answers = AnswersTo(prompt);
    if (answers != nullptr)
        RecallAnswers(answers);
    typed = readline(prompt);
    ended = typed == nullptr;
    typedSize = ended ? 0 : std::strlen(typed);
    typedRead = 0;
    HistEvent event;
    if (typedSize > 0 && answers != nullptr)
        history(answers, &event, H_ENTER, typed);
}

// Shows the prompt and has the person type the next line.
void AskTypedLine(std::string_view prompt, std::FILE* out)
{
    char shown[kPromptSize];
    std::size_t n = std::min(prompt.size(), sizeof shown - 1);
    std::memcpy(shown, prompt.data(), n);
    shown[n] = '\0';
    ReadTypedLine(shown);
    // The editor leaves the cursor after its ^D: what follows starts a
    // line of its own, as after a shell's.
    if (ended)
        PutByte('\n', out);
}

} // namespace

bool StartLineEditing()
{
    if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0 || !UseUtf8Characters())
        return false;
    rl_readline_name = "ecriture";
    // Tab goes into the answer, as it does without the editor.
    rl_inhibit_completion = 1;
    return rl_initialize() == 0;
}

std::size_t DropEditedLine()
{
    std::size_t dropped = typed != nullptr ? typedSize - typedRead : 0;
    std::free(typed);
    typed = nullptr;
    return dropped;
}

std::size_t ReadEditedLine(std::string_view prompt, char* line, std::size_t size, std::FILE* out)
{
    if (typed == nullptr && !ended)
        AskTypedLine(prompt, out);
    else
        // The rest of a long line is read without the person, as it is
        // without the editor; so is the end of the input.
        PutBytes(out, prompt.data(), prompt.size());
    std::size_t n = 0;
    while (typed != nullptr && n + 1 < size) {
        char c = typedRead < typedSize ? typed[typedRead++] : '\n';
        line[n++] = c;
        if (c == '\n') {
            std::free(typed);
            typed = nullptr;
        }
    }
    line[n] = '\0';
    return n;
}
