#pragma once
// Small conversions shared by the binder's files; not for the views.

#include <QObject>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace tarnovel::binder_support {

inline QString QStr(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toStdString();
}

inline QStringList ToQStringList(const std::vector<std::string>& items) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const std::string& item : items)
        list.push_back(QStr(item));
    return list;
}

// Widgets and menu items share no base that says what they show, so the
// binder asks by type.
template <class T>
T* As(QObject* object) {
    return dynamic_cast<T*>(object);
}

}  // namespace tarnovel::binder_support
