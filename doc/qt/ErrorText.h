// The reason, in Chinese, that a message box gives for an error the core
// threw while a picture was saved or changed. The core's own messages are
// English (the rgm tool shows them); the desktop program words its own.
#pragma once

#include <QString>

#include <exception>

// Why writing the file at path failed.
QString SaveFailureReason(const std::exception& error, const QString& path);
// Why changing the picture in memory failed (the colour count).
QString ChangeFailureReason(const std::exception& error);
