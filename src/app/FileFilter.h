#pragma once
// File dialog filters are kept in the system's own form ("Text|*.ext|All|*.*|"); Qt's file dialogs
// take "Text (*.ext);;All (*.*)".
#include <QtCore/QString>
#include <string_view>

namespace tavrel {

QString qtFileFilter(std::string_view filter);

}  // namespace tavrel
