// What a message box of the program shows and which button it answers with.
#pragma once

namespace tarvik {

enum class BoxIcon { kInformation, kWarning };
enum class BoxButtons { kOk, kOkCancelDefaultCancel };
enum BoxAnswer : int { kAnswerOk = 1, kAnswerCancel = 2 };

}  // namespace tarvik
