#include "common/Error.h"

namespace lumisnap {

Error::Error(const QString &message) : m_message(message), m_utf8(message.toUtf8()) {}

} // namespace lumisnap
