#include "media/CTagLibSupport.h"

#include <mutex>
#include <taglib/tdebuglistener.h>

namespace {

class CSilentListener : public TagLib::DebugListener
{
public:
    void printMessage(const TagLib::String&) override {}
};

} // namespace

void SilenceTagLib()
{
    static std::once_flag once;
    static CSilentListener listener;
    std::call_once(once, [] { TagLib::setDebugListener(&listener); });
}
