#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The user's own posted server: posting it, re-announcing it and removing it, with the settings
// that remember it. Nothing here shows a message; failures raise RuntimeError with the numbers
// of DirectoryErrors.h, so that the windows and skirmdeck-dir report them each in their own way.

// What the poster gives: the Post Server window's fields, or skirmdeck-dir's options.
struct PostRequest {
    QString serverName;
    QString gametype;
    QString ipAddress;
    QString port;
    QString mods;
    QString connectionType;
    QString serverKey;
};

// The connection types offered when posting, in their order; the first is the default.
inline const QStringList kConnectionTypes = {QStringLiteral("28.8K"), QStringLiteral("56K"), QStringLiteral("ISDN"),
                                             QStringLiteral("Cable"), QStringLiteral("DSL"), QStringLiteral("T1"),
                                             QStringLiteral("T3")};

// The texts that confirm a post and a removal by key.
inline const QString kPostedMessage = QStringLiteral("Your server has been successfully added to the DB Server List");
inline const QString kRemovedMessage = QStringLiteral(
    "Your Server has been succussfully removed from the DB Server List");

// The fields a post needs, in the order they are checked.
enum class PostField { ServerKey, ServerName, IPAddress, Port };

struct EmptyPostField {
    PostField field;
    QString message;
};

// The first required field that holds no character at all (blanks count as content), with the
// message that asks for it; nothing when all are filled.
std::optional<EmptyPostField> FirstEmptyPostField(const PostRequest &request);

// The stored address, password and source of the user's posted server ("" when missing).
struct StoredServer {
    QString ip;
    QString password;
    QString source;
};
StoredServer StoredPostedServer();

// Whether "PostServerPosted" says the server is posted; a text that is no boolean says it is not.
bool StoredServerIsPosted();

// AddServer with the request (the address also goes as the source); then, in one write,
// "PostServerPassWord", "PostServerIP", "PostServerSource" and "PostServerPosted" = "True".
// Nothing is written when the call fails.
void PostAndRemember(const PostRequest &request);

// UpdateServer with the stored address, password and source.
void AnnounceStoredServer();

// DeleteServerPWed with the stored address, password and source; then "PostServerPosted" = "False".
void RemoveStoredServer();

// DeleteServer at an address; then "PostServerPosted" = "False".
void RemoveServerAt(const QString &ipAddress);
