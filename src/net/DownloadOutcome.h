#pragma once

#include "net/DownloadRequest.h"

#include <QString>

// What StartDownload answers once the size request is done.
struct DownloadStart {
    bool Started = false;
    qint64 ContentLength = -1; // announced by the size request; -1 when the server announced none
    QString Message;           // why it did not start, as a line for the chat panel
};

// How a started download ended, handed to the window on the UI thread after the transfer is over.
struct DownloadOutcome {
    enum class Kind {
        Completed, // the file holds exactly the bytes announced: arm the finishing step
        Restart,   // nothing arrived: run the starting action of Purpose again
        Stopped,   // cancelled (Cancel, or the progress handler answered abort): nothing to do
        Failed,    // Message says why; the partial file is gone
    };

    Kind Result = Kind::Failed;
    DownloadPurpose Purpose = DownloadPurpose::GameInstall;
    int GameIndex = -1;
    QString FilePath;
    QByteArray DisplayName;
    qint64 BytesWritten = 0;
    QString Message;
    // The launcher setup's detached signature as the service published it; empty when it had none.
    QByteArray Signature;
};
