#ifndef ADDRESSTEXT_H
#define ADDRESSTEXT_H

#include <QString>

/*
 * Addresses as they may be shown: never with the user name and password
 * they carry. Camera passwords are typed raw, so they may hold '@', '/',
 * '#' or '?', which a URL parser takes for the end of the user information
 * and then shows part of the password, or nothing.
 */
class AddressText
{
public:
    // `address` without everything up to its last '@' after the scheme (or
    // from its start when it has none). An '@' in a path costs the host in
    // the text shown, but nothing of a password is ever left.
    static QString withoutUserInfo(const QString &address);
};

#endif // ADDRESSTEXT_H
