#pragma once

class QObject;
class QWidget;

// Replaces every text of the window and of all its children (titles, captions, tool tips,
// placeholder texts, list and combo box items, column titles, tabs, actions) by its translation
// in the domain. Call once, when the window has been built. Children that were translated as
// windows of their own, and excluded objects, are left alone; object names and fonts never change.
void TranslateWindow(QWidget* window, const char* domain);

// Keeps the object and everything below it out of window translation.
void ExcludeFromTranslation(QObject* object);
