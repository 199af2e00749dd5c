#pragma once

#include "core/directory/DirectoryClient.h"
#include "core/directory/PostedServer.h"

#include <QList>
#include <QString>

#include <optional>

// The steps the windows take around the directory procedures: which settings they read and
// write and which messages they show. Every message has an OK button, no icon and the
// program's title unless said otherwise.

// The server list's query: the current entries of a game, or nothing after showing
// "Could not make connection to Database" and the error number.
std::optional<QList<DbServerRow>> GetDBServerRows(const QString &gametype);

enum class PostResult {
    Posted,        // settings written, success shown, the main window switched to "Remove Server"
    AlreadyListed, // the directory already holds that address; nothing shown or written yet
    Failed,        // the connection message was shown; nothing written
};

// Posts the user's server (the address also goes as the source). On success stores
// "PostServerPassWord", "PostServerIP", "PostServerSource" and "PostServerPosted".
PostResult PostServer(const PostRequest &request);

// Answers an "already listed" post. The user owns the address when it equals this computer's
// address or the stored "PostServerIP"; an owner is offered to delete the listed entry
// (then told to post again), anyone else is told they may not.
void AnswerAlreadyListed(const QString &ipAddress, const QString &localAddress);

// Removes the entry at an address (the post dialog's delete). On success "PostServerPosted"
// becomes "False". Returns whether the directory call succeeded.
bool DeleteServerByIP(const QString &ipAddress);

// Removes the user's own posted server, identified by the stored address, password and source.
// On success "PostServerPosted" becomes "False" and the main window goes back to "Post Server";
// on failure nothing changes.
bool DeleteServerFromDB();

// Re-announces the user's posted server; a failure is shown and otherwise ignored.
bool UpdateServerFromDB();
