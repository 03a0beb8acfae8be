#pragma once

#include <QString>

// The platform's failure messages in the office's language. The data, number, date, text
// encoding and file layers raise their failures with fixed English texts (callers and logs
// compare them); before a message reaches the operator every such text is given in Chinese.
// Texts it does not know stay as they are.
QString OperatorText(const QString& message);
