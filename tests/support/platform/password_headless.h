// The scripted prompt that tests install instead of the dialogs: answers are
// queued ahead and taken in order; with none queued the question is
// cancelled. It records what it was asked and told.
#pragma once

#include <string_view>
#include <vector>

#include "platform/password/password_prompt.h"

namespace vesper::platform::headless {

// Makes the scripted prompt the current one (SetPasswordPrompt(nullptr)
// restores the dialogs).
void UseScriptedPasswordPrompt();

// Queues the next answer. Returns false for text no prompt could deliver
// (longer than SecretText::kCapacity or holding a NUL).
bool QueuePasswordAnswer(std::string_view text);
// Queues a cancelled question.
void QueuePasswordCancel();
std::size_t PendingPasswordAnswers();

std::vector<PasswordQuestion> PasswordQuestionsAsked();
std::vector<PasswordNotice> PasswordNoticesShown();

// Drops the queued answers (wiping them) and the records.
void ResetPasswordScript();

}  // namespace vesper::platform::headless
