// Answers the editor's OK/Cancel questions from a script (OK once it runs out) and
// records every question and message.
#pragma once

#include <deque>
#include <vector>

#include "core/config_editor.h"

namespace plexaro {

class ScriptedQuestioner final : public Questioner {
 public:
  bool Ask(const Text& question) override {
    asked.push_back(question);
    bool answer = answers.empty() || answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }
  void Tell(const Text& message) override { told.push_back(message); }

  std::deque<bool> answers;
  std::vector<Text> asked;
  std::vector<Text> told;
};

}  // namespace plexaro
