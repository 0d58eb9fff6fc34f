#include "appbase/JTKeyHelper.h"

#include "appbase/JTAppContext.h"

namespace JTAppBase {

JTKeyHelper::JTKeyHelper(JTAppContext* context) : context_(context) {}

}  // namespace JTAppBase
