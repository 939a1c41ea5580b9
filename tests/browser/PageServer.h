#pragma once

// The browser's screenshot tool includes this too, and sees only this folder.
#include "../support/ScriptedServer.h"

#include <QHash>

// A web server on 127.0.0.1 answering the pages added to pages, by path. Anything else is not found.
class PageServer final : public ScriptedServer
{
public:
    PageServer()
    {
        answerFor = [this](const QByteArray &request) {
            const QByteArray page = pages.value(QString::fromLatin1(request.split(' ').value(1)));
            return QList{httpReply(page.isEmpty() ? 404 : 200, page, -1, "text/html; charset=utf-8")};
        };
    }

    QHash<QString, QByteArray> pages;
};
