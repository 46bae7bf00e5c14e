#pragma once

#include <QList>
#include <QString>

// One mailbox: an optional display name and the address.
struct TEmailAddress {
    QString Name;
    QString Address;

    bool operator==(const TEmailAddress&) const = default;
};
using TAddressList = QList<TEmailAddress>;

// Reads "Name <box@host>", "\"Last, First\" <box@host>" or a bare "box@host"; an entry quoted
// whole, as a comma-text list writes it ("\"Ops Team <ops@host>\""), reads as its inside.
TEmailAddress ParseAddress(const QString& text);
// Reads a comma- or semicolon-separated list; separators inside quotes or angle brackets do not
// split, empty entries are dropped.
TAddressList ParseAddressList(const QString& text);
// True when the address can stand in an SMTP path: local part and domain, no blanks, control
// characters or angle brackets.
bool IsValidMailbox(const QString& address);
