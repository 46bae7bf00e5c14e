#pragma once

#include <QString>

// True when the name can be a file name: no control character and none of * ? < > : " / \ |.
// The empty name passes.
bool IsValidFileName(const QString& name);
// "\"name\" contains invalid characters (* ? < > : \" / \ |)!", translated in the domain.
QString InvalidFileNameMessage(const char* domain, const QString& name);
// The message as the hint of an error box: the message helpers take the text before a "|" as
// the title, so a message holding "|" gets the box's own title put in front.
QString ErrorHint(const QString& message);
