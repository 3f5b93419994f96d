#include "tests/scene/message_box_recorder.h"

namespace vesper::test {

MessageBoxRecorder::MessageBoxRecorder()
    : m_previous(platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
          boxes.push_back(request);
          return IDOK;
      }))
{
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    platform::SetMessageBoxHandler(m_previous);
}

}  // namespace vesper::test
