// The scripted prompt used when no dialogs are available: answers are queued
// ahead (by a test, typically) and taken in order; with none queued the
// question is cancelled. It records what it was asked and told.
#pragma once

#include <string_view>
#include <vector>

#include "platform/password/password_prompt.h"

namespace vesper::platform::headless {

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
