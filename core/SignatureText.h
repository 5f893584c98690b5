#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

#include "Archive.h"

#include "Signatures.h"

namespace ombrix {

// A signature as people read it wherever it is shown or printed: meaning, printed name and login,
// date and time in the program's time with its UTC offset, and the comment when there is one:
// "Approved by Anna Berg (aberg), 08.12.2026 17:45:10 UTC+01:00: released for shipment".
QString SignatureText(const SignedStatement& statement);

// The signatures of archive entry id, each as SignatureText gives it, in the order they were made.
bool SignatureTexts(TArchive& archive, std::int64_t id, QStringList& lines, std::string& error);

}  // namespace ombrix
