// Questions the program asks: yes or no, and one of a list. Texts here are UTF-8. Without a
// visible display nothing waits: the answer is "no" and nothing is chosen.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace runtime {

// A modal question with the buttons 是 and 否; true for 是.
bool AskYesNo(const std::string& text, const std::string& caption);
// A modal list of `items` to choose one from (the first is offered); nothing when cancelled or
// when the list is empty.
std::optional<size_t> ChooseItem(const std::string& text, const std::string& caption,
                                 const std::vector<std::string>& items);

// Replaces how both are asked (tests answer them this way): the handler gets the question's
// text, caption and items (none for a yes-or-no question, where answer 0 is yes) and returns the
// answer; an empty function restores the system dialogs.
using QuestionHandler = std::function<std::optional<size_t>(
    const std::string& text, const std::string& caption, const std::vector<std::string>& items)>;
void SetQuestionHandler(QuestionHandler handler);

}  // namespace runtime
