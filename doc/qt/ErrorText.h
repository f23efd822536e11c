// The reason, in Chinese, that a message box gives for an error the core
// threw while a picture was saved or changed, worded from the error's code.
// The core's own messages are English (the rgm tool shows them).
#pragma once

#include <QString>

#include <exception>

// Why writing the file at path failed.
QString SaveFailureReason(const std::exception& error, const QString& path);
// Why changing the picture in memory failed (the colour count).
QString ChangeFailureReason(const std::exception& error);
