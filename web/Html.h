#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>

#include "Statistics.h"

// What every page of the web view is made of: escaped text, the program's times with their
// offset, the verdict's colour and the page frame with its style.
namespace ombrix::web {

// The text made safe in HTML text and in a quoted attribute value: & < > " ' become references.
QString Escape(QStringView text);
// Probe texts (name, comment) are bytes of the program's code page.
QString ProbeText(const std::string& bytes);
// An instant in the program's time with its UTC offset: "08.12.2026 17:45:10 UTC+01:00".
QString InstantText(std::int64_t seconds);
// The style class of a verdict: "within", "outside", "nolimits", "nosamples".
const char* VerdictClass(Verdict verdict);

// The pages the navigation names.
enum class Section { kDownloads, kProbes, kAudit, kNone };
// A whole HTML document: title (escaped here), the navigation and the body (HTML already).
QByteArray Document(const QString& title, Section section, const QString& body);
// The Content-Security-Policy of every page: nothing loaded from anywhere, no script, no framing;
// only the pages' own style sheet, named by its SHA-256.
QByteArray ContentSecurityPolicy();

}  // namespace ombrix::web
