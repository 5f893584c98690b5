<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en_US">
<context>
    <name>AboutBox</name>
    <message>
        <source>About</source>
        <translation>Über Ombrix</translation>
    </message>
    <message>
        <source>Ombrix Thermo Probe</source>
        <translation>Ombrix Thermo Probe</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>AuditAction</name>
    <message>
        <source>download</source>
        <translation>Auslesung</translation>
    </message>
    <message>
        <source>import</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>launch</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>clear</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>switch off</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>clock setup</source>
        <translation>Uhr stellen</translation>
    </message>
    <message>
        <source>write text</source>
        <translation>Text schreiben</translation>
    </message>
    <message>
        <source>save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>report</source>
        <translation>Bericht</translation>
    </message>
    <message>
        <source>limits</source>
        <translation>Grenzwerte</translation>
    </message>
    <message>
        <source>limits change</source>
        <translation>Änderung der Grenzwerte</translation>
    </message>
    <message>
        <source>key</source>
        <translation>Schlüssel</translation>
    </message>
    <message>
        <source>sign</source>
        <translation>Signatur</translation>
    </message>
</context>
<context>
    <name>Limits</name>
    <message>
        <source>a limit must be a number</source>
        <translation>ein Grenzwert muss eine Zahl sein</translation>
    </message>
    <message>
        <source>the low limit must be below the high limit</source>
        <translation>die untere Grenze muss unter der oberen Grenze liegen</translation>
    </message>
    <message>
        <source>the delay must be between 0 and 10,000 minutes</source>
        <translation>die Toleranzzeit muss zwischen 0 und 10.000 Minuten liegen</translation>
    </message>
    <message>
        <source>the activation energy must be a positive number</source>
        <translation>die Aktivierungsenergie muss eine positive Zahl sein</translation>
    </message>
</context>
<context>
    <name>MainForm</name>
    <message>
        <source>Ombrix</source>
        <translation>Ombrix</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Serial Number :</source>
        <translation>Seriennummer:</translation>
    </message>
    <message>
        <source>Name :</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Comment :</source>
        <translation>Kommentar:</translation>
    </message>
    <message>
        <source>Write text</source>
        <translation>Text schreiben</translation>
    </message>
    <message>
        <source>Current Clock :</source>
        <translation>Logger-Uhr:</translation>
    </message>
    <message>
        <source>Clock Setup</source>
        <translation>Uhr stellen</translation>
    </message>
    <message>
        <source>PC Clock :</source>
        <translation>PC-Uhr:</translation>
    </message>
    <message>
        <source>Record Start :</source>
        <translation>Aufzeichnungsbeginn:</translation>
    </message>
    <message>
        <source>First Sample :</source>
        <translation>Erster Messwert:</translation>
    </message>
    <message>
        <source>Immediately</source>
        <translation>Sofort</translation>
    </message>
    <message>
        <source>Download Time :</source>
        <translation>Auslesezeit:</translation>
    </message>
    <message>
        <source>Record Samples :</source>
        <translation>Aufgezeichnet:</translation>
    </message>
    <message>
        <source>Sample Rate :</source>
        <translation>Messintervall:</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>Samples Total :</source>
        <translation>Messwerte insgesamt:</translation>
    </message>
    <message>
        <source>Recording Stopped</source>
        <translation>Aufzeichnung gestoppt</translation>
    </message>
    <message>
        <source>Memory Clear</source>
        <translation>Speicher leer</translation>
    </message>
    <message>
        <source>Enable Rollover</source>
        <translation>Überlauf zulassen</translation>
    </message>
    <message>
        <source>Rollover Occured</source>
        <translation>Überlauf aufgetreten</translation>
    </message>
    <message>
        <source>Test mode</source>
        <translation>Testmodus</translation>
    </message>
    <message>
        <source>Probe OFF</source>
        <translation>Logger AUS</translation>
    </message>
    <message>
        <source>Switch OFF</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>Held data against the limits</source>
        <translation>Daten gegenüber Grenzwerten</translation>
    </message>
    <message>
        <source>Limits :</source>
        <translation>Grenzwerte:</translation>
    </message>
    <message>
        <source>Verdict :</source>
        <translation>Bewertung:</translation>
    </message>
    <message>
        <source>Samples :</source>
        <translation>Messwerte:</translation>
    </message>
    <message>
        <source>First sample :</source>
        <translation>Erster Messwert:</translation>
    </message>
    <message>
        <source>Last sample :</source>
        <translation>Letzter Messwert:</translation>
    </message>
    <message>
        <source>Minimum :</source>
        <translation>Minimum:</translation>
    </message>
    <message>
        <source>Maximum :</source>
        <translation>Maximum:</translation>
    </message>
    <message>
        <source>Mean :</source>
        <translation>Mittelwert:</translation>
    </message>
    <message>
        <source>Standard deviation :</source>
        <translation>Standardabweichung:</translation>
    </message>
    <message>
        <source>Mean kinetic temp. :</source>
        <translation>Mittl. kin. Temp.:</translation>
    </message>
    <message>
        <source>Time below limit :</source>
        <translation>Zeit unter Grenze:</translation>
    </message>
    <message>
        <source>Time above limit :</source>
        <translation>Zeit über Grenze:</translation>
    </message>
    <message>
        <source>Excursions :</source>
        <translation>Verletzungen:</translation>
    </message>
    <message>
        <source>Longest excursion :</source>
        <translation>Längste Verletzung:</translation>
    </message>
    <message>
        <source>Limits...</source>
        <translation>Grenzwerte...</translation>
    </message>
    <message>
        <source>Set the temperature limits of this probe or of all probes</source>
        <translation>Die Temperaturgrenzwerte dieses Loggers oder aller Logger festlegen</translation>
    </message>
    <message>
        <source>Table</source>
        <translation>Tabelle</translation>
    </message>
    <message>
        <source>Graph</source>
        <translation>Grafik</translation>
    </message>
    <message>
        <source>Disable 3D</source>
        <translation>3D aus</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>24h</source>
        <translation>24&#xa0;h</translation>
    </message>
    <message>
        <source>1h</source>
        <translation>1&#xa0;h</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Histogram</source>
        <translation>Histogramm</translation>
    </message>
    <message>
        <source>Empty</source>
        <translation>Leer</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Probe</source>
        <translation>&amp;Logger</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Tool bar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>New session</source>
        <translation>Neue Sitzung</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Datei speichern</translation>
    </message>
    <message>
        <source>Save &amp;As</source>
        <translation>Speichern &amp;unter</translation>
    </message>
    <message>
        <source>&amp;Export</source>
        <translation>&amp;Exportieren</translation>
    </message>
    <message>
        <source>Export File</source>
        <translation>Datei exportieren</translation>
    </message>
    <message>
        <source>&amp;Print</source>
        <translation>&amp;Drucken</translation>
    </message>
    <message>
        <source>Print form</source>
        <translation>Bericht drucken</translation>
    </message>
    <message>
        <source>Print Pre&amp;view...</source>
        <translation>Druck&amp;vorschau...</translation>
    </message>
    <message>
        <source>Preview the printed report</source>
        <translation>Vorschau des gedruckten Berichts</translation>
    </message>
    <message>
        <source>A&amp;rchive...</source>
        <translation>A&amp;rchiv...</translation>
    </message>
    <message>
        <source>Find, open and export the downloads kept in the archive</source>
        <translation>Die im Archiv aufbewahrten Auslesungen suchen, öffnen und exportieren</translation>
    </message>
    <message>
        <source>S&amp;tation...</source>
        <translation>S&amp;tation...</translation>
    </message>
    <message>
        <source>Download every probe put on any adapter, without a click</source>
        <translation>Jeden Logger auslesen, der auf einen Adapter gelegt wird, ohne einen Klick</translation>
    </message>
    <message>
        <source>Export P&amp;DF...</source>
        <translation>&amp;PDF exportieren...</translation>
    </message>
    <message>
        <source>Save the printed report as a PDF file</source>
        <translation>Den gedruckten Bericht als PDF-Datei speichern</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Exit Program</source>
        <translation>Programm beenden</translation>
    </message>
    <message>
        <source>Read S&amp;tatus</source>
        <translation>Status &amp;lesen</translation>
    </message>
    <message>
        <source>Read Probe Status</source>
        <translation>Status des Loggers lesen</translation>
    </message>
    <message>
        <source>Read &amp;Data</source>
        <translation>&amp;Daten lesen</translation>
    </message>
    <message>
        <source>Read Probe Data</source>
        <translation>Daten des Loggers lesen</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>S&amp;toppen</translation>
    </message>
    <message>
        <source>Stop Probe</source>
        <translation>Aufzeichnung des Loggers stoppen</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>Lö&amp;schen</translation>
    </message>
    <message>
        <source>Clear Probe</source>
        <translation>Logger löschen</translation>
    </message>
    <message>
        <source>&amp;Launch</source>
        <translation>Sta&amp;rten</translation>
    </message>
    <message>
        <source>Launch Probe</source>
        <translation>Aufzeichnung des Loggers starten</translation>
    </message>
    <message>
        <source>&amp;Status</source>
        <translation>&amp;Status</translation>
    </message>
    <message>
        <source>View Probe Status</source>
        <translation>Status des Loggers anzeigen</translation>
    </message>
    <message>
        <source>&amp;Table</source>
        <translation>&amp;Tabelle</translation>
    </message>
    <message>
        <source>View Data as Table</source>
        <translation>Daten als Tabelle anzeigen</translation>
    </message>
    <message>
        <source>&amp;Graph</source>
        <translation>&amp;Grafik</translation>
    </message>
    <message>
        <source>View Data as Graph</source>
        <translation>Daten als Grafik anzeigen</translation>
    </message>
    <message>
        <source>&amp;Histogram</source>
        <translation>&amp;Histogramm</translation>
    </message>
    <message>
        <source>View Data as Histogram</source>
        <translation>Daten als Histogramm anzeigen</translation>
    </message>
    <message>
        <source>&amp;Limits...</source>
        <translation>G&amp;renzwerte...</translation>
    </message>
    <message>
        <source>Temperature limits of the probe or of all probes</source>
        <translation>Temperaturgrenzwerte des Loggers oder aller Logger</translation>
    </message>
    <message>
        <source>Ombrix &amp;Help</source>
        <translation>Ombrix-&amp;Hilfe</translation>
    </message>
    <message>
        <source>Program Help</source>
        <translation>Programmhilfe</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Über &amp;Ombrix...</translation>
    </message>
    <message>
        <source>Move Graph to Begin</source>
        <translation>Grafik an den Anfang</translation>
    </message>
    <message>
        <source>Move Graph to End</source>
        <translation>Grafik an das Ende</translation>
    </message>
    <message>
        <source>Move Graph Backward</source>
        <translation>Grafik zurück</translation>
    </message>
    <message>
        <source>Move Graph Forward</source>
        <translation>Grafik vor</translation>
    </message>
</context>
<context>
    <name>MsgTemplate</name>
    <message>
        <source>Message texts</source>
        <translation>Meldungstexte</translation>
    </message>
    <message>
        <source>Temperature [°C]</source>
        <translation>Temperatur [°C]</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Datum/Zeit</translation>
    </message>
    <message>
        <source>Do You really Stop Recording ?</source>
        <translation>Wollen Sie die Aufzeichnung wirklich stoppen?</translation>
    </message>
    <message>
        <source>Do You really Stop Recording and Clear Probe ?</source>
        <translation>Wollen Sie die Aufzeichnung wirklich stoppen und den Logger löschen?</translation>
    </message>
    <message>
        <source>Do You really Clear Probe ?</source>
        <translation>Wollen Sie den Logger wirklich löschen?</translation>
    </message>
    <message>
        <source>Probe must be clear to start</source>
        <translation>Der Logger muss zum Starten gelöscht sein</translation>
    </message>
    <message>
        <source>Sample rate out of range 1..255 min</source>
        <translation>Messintervall außerhalb des Bereichs 1…255&#xa0;min</translation>
    </message>
    <message>
        <source>Invalid format of First Sample time</source>
        <translation>Ungültiges Format der Zeit des ersten Messwerts</translation>
    </message>
    <message>
        <source>First Sample time must be greater than current time</source>
        <translation>Die Zeit des ersten Messwerts muss nach der aktuellen Zeit liegen</translation>
    </message>
    <message>
        <source>Do You really Start new Recording ?</source>
        <translation>Wollen Sie wirklich eine neue Aufzeichnung starten?</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>Bestätigung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>File modified. Do You really want to terminate ?</source>
        <translation>Daten geändert. Wollen Sie das Programm wirklich beenden?</translation>
    </message>
    <message>
        <source>&lt;noname&gt;</source>
        <translation>&lt;unbenannt&gt;</translation>
    </message>
    <message>
        <source>Sample #</source>
        <translation>Messwert Nr.</translation>
    </message>
    <message>
        <source>Relative Time</source>
        <translation>Relative Zeit</translation>
    </message>
    <message>
        <source>File alrady exists. Do You want to overwrite it ?</source>
        <translation>Die Datei existiert bereits. Wollen Sie sie überschreiben?</translation>
    </message>
    <message>
        <source>NO ADAPTER CONNECTED</source>
        <translation>KEIN ADAPTER ANGESCHLOSSEN</translation>
    </message>
    <message>
        <source>Probe : NO</source>
        <translation>Logger: fehlt</translation>
    </message>
    <message>
        <source>Probe : OK</source>
        <translation>Logger: OK</translation>
    </message>
    <message>
        <source>File :</source>
        <translation>Datei:</translation>
    </message>
    <message>
        <source>MORE ADAPTERS FOUND !</source>
        <translation>MEHRERE ADAPTER GEFUNDEN!</translation>
    </message>
    <message>
        <source>Data : Error</source>
        <translation>Daten: Fehler</translation>
    </message>
    <message>
        <source>Data : OK</source>
        <translation>Daten: OK</translation>
    </message>
    <message>
        <source>Cmd : OK</source>
        <translation>Befehl: OK</translation>
    </message>
    <message>
        <source>Cmd : Error</source>
        <translation>Befehl: Fehler</translation>
    </message>
    <message>
        <source>Do You really synchronize probe clock with computer time ?</source>
        <translation>Wollen Sie die Uhr des Loggers wirklich nach der Computerzeit stellen?</translation>
    </message>
    <message>
        <source>First Sample time must not be greater than current time + 4:00 hour</source>
        <translation>Die Zeit des ersten Messwerts darf höchstens 4:00&#xa0;Stunden nach der aktuellen Zeit liegen</translation>
    </message>
    <message>
        <source>Do You really write Name and Comment fields into probe ?</source>
        <translation>Wollen Sie Name und Kommentar wirklich in den Logger schreiben?</translation>
    </message>
    <message>
        <source>Do You really switch probe OFF ?</source>
        <translation>Wollen Sie den Logger wirklich ausschalten?</translation>
    </message>
    <message>
        <source>Recording In Progress</source>
        <translation>Aufzeichnung läuft</translation>
    </message>
    <message>
        <source>Recording Stopped</source>
        <translation>Aufzeichnung gestoppt</translation>
    </message>
</context>
<context>
    <name>OpenFailure</name>
    <message>
        <source>no permission to open the adapter</source>
        <translation>keine Berechtigung, den Adapter zu öffnen</translation>
    </message>
    <message>
        <source>the adapter is in use by another program</source>
        <translation>der Adapter wird von einem anderen Programm benutzt</translation>
    </message>
    <message>
        <source>the system&apos;s serial driver holds the adapter and could not be detached</source>
        <translation>der serielle Treiber des Systems belegt den Adapter und konnte nicht gelöst werden</translation>
    </message>
    <message>
        <source>the adapter went away while it was being opened</source>
        <translation>der Adapter verschwand, während er geöffnet wurde</translation>
    </message>
    <message>
        <source>the adapter could not be opened</source>
        <translation>der Adapter konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Install the udev rule 70-ombrix-ftdi.rules that comes with Ombrix, then unplug the adapter and plug it in again (Help, &quot;Adapter not found&quot;).</source>
        <translation>Installieren Sie die udev-Regel 70-ombrix-ftdi.rules, die mit Ombrix geliefert wird, ziehen Sie dann den Adapter ab und stecken Sie ihn wieder ein (Hilfe, „Adapter nicht gefunden“).</translation>
    </message>
    <message>
        <source>Close the other program that uses the adapter (another Ombrix window, a terminal program, a modem manager), then try again.</source>
        <translation>Schließen Sie das andere Programm, das den Adapter benutzt (ein anderes Ombrix-Fenster, ein Terminalprogramm, einen Modem-Manager), und versuchen Sie es dann erneut.</translation>
    </message>
    <message>
        <source>A serial console or a braille display service may be holding FTDI devices: stop it (Help, &quot;Adapter not found&quot;).</source>
        <translation>Eine serielle Konsole oder ein Braillezeilen-Dienst belegt möglicherweise FTDI-Geräte: Beenden Sie ihn (Hilfe, „Adapter nicht gefunden“).</translation>
    </message>
    <message>
        <source>Check the adapter&apos;s USB cable and plug it in again.</source>
        <translation>Prüfen Sie das USB-Kabel des Adapters und stecken Sie ihn wieder ein.</translation>
    </message>
    <message>
        <source>Unplug the adapter and plug it in again (Help, &quot;Adapter not found&quot;).</source>
        <translation>Ziehen Sie den Adapter ab und stecken Sie ihn wieder ein (Hilfe, „Adapter nicht gefunden“).</translation>
    </message>
</context>
<context>
    <name>ProbeError</name>
    <message>
        <source>the probe holds no data</source>
        <translation>der Logger enthält keine Daten</translation>
    </message>
    <message>
        <source>interrupted; nothing of it was kept</source>
        <translation>abgebrochen; nichts davon wurde behalten</translation>
    </message>
    <message>
        <source>success</source>
        <translation>erfolgreich</translation>
    </message>
    <message>
        <source>NO ADAPTER CONNECTED</source>
        <translation>KEIN ADAPTER ANGESCHLOSSEN</translation>
    </message>
    <message>
        <source>MORE ADAPTERS FOUND !</source>
        <translation>MEHRERE ADAPTER GEFUNDEN!</translation>
    </message>
    <message>
        <source>the adapter does not answer</source>
        <translation>der Adapter antwortet nicht</translation>
    </message>
    <message>
        <source>Probe : NO</source>
        <translation>Logger: fehlt</translation>
    </message>
    <message>
        <source>not allowed in the probe&apos;s present state</source>
        <translation>im jetzigen Zustand des Loggers nicht erlaubt</translation>
    </message>
    <message>
        <source>the adapter link is not open</source>
        <translation>die Verbindung zum Adapter ist nicht offen</translation>
    </message>
    <message>
        <source>a data read is under way</source>
        <translation>ein Lesen der Daten ist im Gange</translation>
    </message>
    <message>
        <source>First Sample time must be greater than current time</source>
        <translation>Die Zeit des ersten Messwerts muss nach der aktuellen Zeit liegen</translation>
    </message>
    <message>
        <source>First Sample time must not be greater than current time + 4:00 hour</source>
        <translation>Die Zeit des ersten Messwerts darf höchstens 4:00&#xa0;Stunden nach der aktuellen Zeit liegen</translation>
    </message>
    <message>
        <source>the probe on the adapter is not the one, or not in the mission, that the download began on</source>
        <translation>der Logger auf dem Adapter ist nicht der, mit dem die Auslesung begann, oder nicht in derselben Aufzeichnung</translation>
    </message>
    <message>
        <source>a transfer failed, or an echo or a checksum did not match</source>
        <translation>eine Übertragung ist fehlgeschlagen, oder ein Echo oder eine Prüfsumme stimmte nicht</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Day or month first?</source>
        <translation>Tag oder Monat zuerst?</translation>
    </message>
    <message>
        <source>%1 holds its dates only as text, and they were written under regional settings that put either the day or the month first: nothing in the file tells which.</source>
        <translation>%1 enthält seine Datumsangaben nur als Text, geschrieben unter Regionaleinstellungen, die entweder den Tag oder den Monat zuerst stellen: Nichts in der Datei sagt, welches von beiden.</translation>
    </message>
    <message>
        <source>Day first</source>
        <translation>Tag zuerst</translation>
    </message>
    <message>
        <source>Month first</source>
        <translation>Monat zuerst</translation>
    </message>
    <message>
        <source>First Sample</source>
        <translation>Erster Messwert</translation>
    </message>
    <message>
        <source>Record Start</source>
        <translation>Aufzeichnungsbeginn</translation>
    </message>
    <message>
        <source>Download Time</source>
        <translation>Auslesezeit</translation>
    </message>
    <message>
        <source>Which did the computer that wrote the file put first?</source>
        <translation>Was hat der Computer, der die Datei schrieb, zuerst gestellt?</translation>
    </message>
    <message>
        <source>&amp;Day first</source>
        <translation>&amp;Tag zuerst</translation>
    </message>
    <message>
        <source>&amp;Month first</source>
        <translation>&amp;Monat zuerst</translation>
    </message>
</context>
<context>
    <name>RecordOrigin</name>
    <message>
        <source>archive entry %1</source>
        <translation>Archiveintrag %1</translation>
    </message>
    <message>
        <source>Downloaded</source>
        <translation>Ausgelesen</translation>
    </message>
    <message>
        <source>, not archived</source>
        <translation>, nicht archiviert</translation>
    </message>
    <message>
        <source> (incremental download)</source>
        <translation> (inkrementelle Auslesung)</translation>
    </message>
    <message>
        <source>Opened from %1</source>
        <translation>Geöffnet aus %1</translation>
    </message>
</context>
<context>
    <name>ReportSummary</name>
    <message>
        <source>above</source>
        <translation>über</translation>
    </message>
    <message>
        <source>below</source>
        <translation>unter</translation>
    </message>
    <message>
        <source>The record holds no samples.</source>
        <translation>Die Aufzeichnung enthält keine Messwerte.</translation>
    </message>
    <message>
        <source>No temperature limits are set for this probe.</source>
        <translation>Für diesen Logger sind keine Temperaturgrenzwerte festgelegt.</translation>
    </message>
    <message>
        <source>All %1 samples stayed within the limits.</source>
        <translation>Alle %1 Messwerte blieben innerhalb der Grenzwerte.</translation>
    </message>
    <message>
        <source>Beyond the limits for %1 in all, never for %2 or longer at a time.</source>
        <translation>Insgesamt %1 außerhalb der Grenzwerte, nie %2 oder länger am Stück.</translation>
    </message>
    <message>
        <source>%1 excursion beyond the limits; the longest lasted %2, %3 %4.</source>
        <translation>%1 Grenzwertverletzung; die längste dauerte %2, %3 %4.</translation>
    </message>
    <message>
        <source>%1 excursions beyond the limits; the longest lasted %2, %3 %4.</source>
        <translation>%1 Grenzwertverletzungen; die längste dauerte %2, %3 %4.</translation>
    </message>
    <message>
        <source>Record file changed after it was saved</source>
        <translation>Aufzeichnungsdatei nach dem Speichern geändert</translation>
    </message>
</context>
<context>
    <name>SignatureText</name>
    <message>
        <source>Reviewed</source>
        <translation>Geprüft</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>Genehmigt</translation>
    </message>
    <message>
        <source>Released</source>
        <translation>Freigegeben</translation>
    </message>
    <message>
        <source>%1 by %2 (%3), %4 UTC%5</source>
        <translation>%1 von %2 (%3), %4 UTC%5</translation>
    </message>
</context>
<context>
    <name>StationConfig</name>
    <message>
        <source>the name pattern has a &quot;{&quot; without its &quot;}&quot;</source>
        <translation>das Namensmuster enthält „{“ ohne das zugehörige „}“</translation>
    </message>
    <message>
        <source>the name pattern has an unknown placeholder %1; it takes {serial}, {name}, {adapter}, {samples}, {entry}, {missionstart:FORMAT} and {download:FORMAT}</source>
        <translation>das Namensmuster enthält den unbekannten Platzhalter %1; es kennt {serial}, {name}, {adapter}, {samples}, {entry}, {missionstart:FORMAT} und {download:FORMAT}</translation>
    </message>
    <message>
        <source>the name pattern must name a file inside the folder</source>
        <translation>das Namensmuster muss eine Datei im Ordner benennen</translation>
    </message>
    <message>
        <source>the name pattern must not leave the folder (..)</source>
        <translation>das Namensmuster darf den Ordner nicht verlassen (..)</translation>
    </message>
</context>
<context>
    <name>StationStep</name>
    <message>
        <source>adapter</source>
        <translation>Adapter</translation>
    </message>
    <message>
        <source>adapter-gone</source>
        <translation>Adapter entfernt</translation>
    </message>
    <message>
        <source>status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>download</source>
        <translation>Auslesung</translation>
    </message>
    <message>
        <source>store</source>
        <translation>Archivierung</translation>
    </message>
    <message>
        <source>save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>verdict</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>report</source>
        <translation>Bericht</translation>
    </message>
    <message>
        <source>export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>rearm</source>
        <translation>Neustart</translation>
    </message>
    <message>
        <source>done</source>
        <translation>fertig</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>already-done</source>
        <translation>bereits erledigt</translation>
    </message>
    <message>
        <source>taken-off</source>
        <translation>abgenommen</translation>
    </message>
</context>
<context>
    <name>Statistics</name>
    <message>
        <source>no samples</source>
        <translation>keine Messwerte</translation>
    </message>
    <message>
        <source>one sample: no standard deviation</source>
        <translation>ein Messwert: keine Standardabweichung</translation>
    </message>
</context>
<context>
    <name>TArchiveDialog</name>
    <message>
        <source>The program&apos;s local time, with its offset from UTC</source>
        <translation>Die Ortszeit des Programms, mit ihrer Abweichung von UTC</translation>
    </message>
    <message>
        <source>Row</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Vorgang</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Entry</source>
        <translation>Eintrag</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Vorher</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Nachher</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Benutzer</translation>
    </message>
    <message>
        <source>Full name</source>
        <translation>Vollständiger Name</translation>
    </message>
    <message>
        <source>Workstation</source>
        <translation>Arbeitsplatz</translation>
    </message>
    <message>
        <source>Database role</source>
        <translation>Datenbankrolle</translation>
    </message>
    <message>
        <source>Adapter</source>
        <translation>Adapter</translation>
    </message>
    <message>
        <source>done</source>
        <translation>erledigt</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Mission start</source>
        <translation>Aufzeichnungsbeginn</translation>
    </message>
    <message>
        <source>Downloaded</source>
        <translation>Ausgelesen</translation>
    </message>
    <message>
        <source>Samples</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Min °C</source>
        <translation>Min.&#xa0;°C</translation>
    </message>
    <message>
        <source>Max °C</source>
        <translation>Max.&#xa0;°C</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>The %1 is not in the archive&apos;s audit trail:
%2</source>
        <translation>Der Vorgang „%1“ steht nicht im Audit-Trail des Archivs:
%2</translation>
    </message>
</context>
<context>
    <name>TProbeWorkplace</name>
    <message>
        <source>No error</source>
        <translation>Kein Fehler</translation>
    </message>
    <message>
        <source>Unable open COM</source>
        <translation>COM kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Unable set parameters</source>
        <translation>Parameter können nicht gesetzt werden</translation>
    </message>
    <message>
        <source>Application uninitialized, change Properties !</source>
        <translation>Programm nicht eingerichtet, ändern Sie die Einstellungen!</translation>
    </message>
    <message>
        <source>Undefined error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>TStation</name>
    <message>
        <source>%1 samples</source>
        <translation>%1 Messwerte</translation>
    </message>
    <message>
        <source>, incremental</source>
        <translation>, inkrementell</translation>
    </message>
    <message>
        <source>the status could not be read: %1</source>
        <translation>der Status konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>clear</source>
        <translation>Speicher leer</translation>
    </message>
    <message>
        <source>%1 samples, mission started %2</source>
        <translation>%1 Messwerte, Aufzeichnung begonnen %2</translation>
    </message>
    <message>
        <source>, re-armed</source>
        <translation>, neu gestartet</translation>
    </message>
    <message>
        <source>clear, re-armed</source>
        <translation>Speicher leer, neu gestartet</translation>
    </message>
    <message>
        <source>the probe is clear: nothing to download</source>
        <translation>der Logger ist leer: nichts auszulesen</translation>
    </message>
    <message>
        <source>its mission has recorded nothing yet</source>
        <translation>seine Aufzeichnung enthält noch keine Messwerte</translation>
    </message>
    <message>
        <source>nothing new since it was downloaded in this run</source>
        <translation>nichts Neues seit seiner Auslesung in diesem Lauf</translation>
    </message>
    <message>
        <source>it holds the mission this station launched</source>
        <translation>er trägt die Aufzeichnung, die diese Station gestartet hat</translation>
    </message>
    <message>
        <source>nothing new since its download in the archive</source>
        <translation>nichts Neues seit seiner Auslesung im Archiv</translation>
    </message>
    <message>
        <source>download: %1</source>
        <translation>Auslesung: %1</translation>
    </message>
    <message>
        <source>store: not kept in the archive: %1</source>
        <translation>Archivierung: nicht im Archiv abgelegt: %1</translation>
    </message>
    <message>
        <source>already stored</source>
        <translation>bereits archiviert</translation>
    </message>
    <message>
        <source>the folder %1 cannot be made</source>
        <translation>der Ordner %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>save: %1</source>
        <translation>Speichern: %1</translation>
    </message>
    <message>
        <source>%1 excursions</source>
        <translation>%1 Grenzwertverletzungen</translation>
    </message>
    <message>
        <source>the station was stopped</source>
        <translation>die Station wurde gestoppt</translation>
    </message>
    <message>
        <source>report: %1</source>
        <translation>Bericht: %1</translation>
    </message>
    <message>
        <source>export: %1</source>
        <translation>Export: %1</translation>
    </message>
    <message>
        <source>re-arm: %1: %2</source>
        <translation>Neustart: %1: %2</translation>
    </message>
    <message>
        <source>re-arm: the status could not be read: %1</source>
        <translation>Neustart: der Status konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>%1: every %2 min, first sample %3</source>
        <translation>%1: alle %2&#xa0;min, erster Messwert %3</translation>
    </message>
</context>
<context>
    <name>Verdict</name>
    <message>
        <source>no verdict</source>
        <translation>keine Bewertung</translation>
    </message>
    <message>
        <source>within limits</source>
        <translation>innerhalb der Grenzwerte</translation>
    </message>
    <message>
        <source>outside limits</source>
        <translation>außerhalb der Grenzwerte</translation>
    </message>
    <message>
        <source>nothing to judge</source>
        <translation>nichts zu bewerten</translation>
    </message>
    <message>
        <source>no limits set</source>
        <translation>keine Grenzwerte festgelegt</translation>
    </message>
</context>
<context>
    <name>figures</name>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>Low limit</source>
        <translation>Untere Grenze</translation>
    </message>
    <message>
        <source>High limit</source>
        <translation>Obere Grenze</translation>
    </message>
    <message>
        <source>Delay before an excursion counts</source>
        <translation>Toleranzzeit einer Verletzung</translation>
    </message>
    <message>
        <source>Activation energy ΔH/R</source>
        <translation>Aktivierungsenergie ΔH/R</translation>
    </message>
    <message>
        <source>%1 K (%2 kJ/mol)</source>
        <translation>%1&#xa0;K (%2&#xa0;kJ/mol)</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <translation>%1 am %2</translation>
    </message>
    <message>
        <source>— (one sample)</source>
        <translation>— (ein Messwert)</translation>
    </message>
    <message>
        <source> (of %1 or longer)</source>
        <translation> (ab %1 Dauer)</translation>
    </message>
    <message>
        <source>Samples</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Sample interval</source>
        <translation>Messintervall</translation>
    </message>
    <message>
        <source>First sample</source>
        <translation>Erster Messwert</translation>
    </message>
    <message>
        <source>Last sample</source>
        <translation>Letzter Messwert</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>Mittelwert</translation>
    </message>
    <message>
        <source>Standard deviation</source>
        <translation>Standardabweichung</translation>
    </message>
    <message>
        <source>Mean kinetic temperature</source>
        <translation>Mittlere kinetische Temperatur</translation>
    </message>
    <message>
        <source>Time below the low limit</source>
        <translation>Zeit unter der unteren Grenze</translation>
    </message>
    <message>
        <source>no low limit</source>
        <translation>keine untere Grenze</translation>
    </message>
    <message>
        <source>Time above the high limit</source>
        <translation>Zeit über der oberen Grenze</translation>
    </message>
    <message>
        <source>no high limit</source>
        <translation>keine obere Grenze</translation>
    </message>
    <message>
        <source>Excursions</source>
        <translation>Grenzwertverletzungen</translation>
    </message>
    <message>
        <source>Longest excursion</source>
        <translation>Längste Verletzung</translation>
    </message>
    <message>
        <source>above the high limit</source>
        <translation>über der oberen Grenze</translation>
    </message>
    <message>
        <source>below the low limit</source>
        <translation>unter der unteren Grenze</translation>
    </message>
    <message>
        <source>&#x2003;from</source>
        <translation>&#x2003;von</translation>
    </message>
    <message>
        <source>&#x2003;until</source>
        <translation>&#x2003;bis</translation>
    </message>
</context>
<context>
    <name>ombrix::TAboutBox</name>
    <message>
        <source>Settings: %1</source>
        <translation>Einstellungen: %1</translation>
    </message>
</context>
<context>
    <name>ombrix::TArchiveDialog</name>
    <message>
        <source>Archive</source>
        <translation>Archiv</translation>
    </message>
    <message>
        <source>name, comment or serial number</source>
        <translation>Name, Kommentar oder Seriennummer</translation>
    </message>
    <message>
        <source>Downloaded from</source>
        <translation>Ausgelesen von</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>every probe</source>
        <translation>alle Logger</translation>
    </message>
    <message>
        <source>A probe&apos;s serial number, as the Status page shows it (&quot;28 00 00 00 00 00 00 A2&quot;) or as one number</source>
        <translation>Die Seriennummer eines Loggers, wie die Statusseite sie zeigt („28 00 00 00 00 00 00 A2“), oder als eine Zahl</translation>
    </message>
    <message>
        <source>Since</source>
        <translation>Seit</translation>
    </message>
    <message>
        <source>Find :</source>
        <translation>Suchen:</translation>
    </message>
    <message>
        <source>Probe :</source>
        <translation>Logger:</translation>
    </message>
    <message>
        <source>The archive cannot be read:
%1</source>
        <translation>Das Archiv kann nicht gelesen werden:
%1</translation>
    </message>
    <message>
        <source>&amp;Downloads</source>
        <translation>&amp;Auslesungen</translation>
    </message>
    <message>
        <source>A&amp;udit</source>
        <translation>A&amp;udit-Trail</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Export as &amp;record files...</source>
        <translation>Als Aufzeichnungs&amp;dateien exportieren...</translation>
    </message>
    <message>
        <source>Export as &amp;text...</source>
        <translation>Als &amp;Text exportieren...</translation>
    </message>
    <message>
        <source>S&amp;ign...</source>
        <translation>&amp;Signieren...</translation>
    </message>
    <message>
        <source>Signs the selected entry with your key: reviewed, approved or released.</source>
        <translation>Signiert den gewählten Eintrag mit Ihrem Schlüssel: geprüft, genehmigt oder freigegeben.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a serial number: give its eight bytes (&quot;28 00 00 00 00 00 00 A2&quot;) or one 16-digit number.</source>
        <translation>„%1“ ist keine Seriennummer: Geben Sie ihre acht Bytes („28 00 00 00 00 00 00 A2“) oder eine 16-stellige Zahl an.</translation>
    </message>
    <message numerus="yes">
        <source>%n audit rows, newest first</source>
        <translation>
            <numerusform>%n Zeile im Audit-Trail, neueste zuerst</numerusform>
            <numerusform>%n Zeilen im Audit-Trail, neueste zuerst</numerusform>
        </translation>
    </message>
    <message>
        <source>The archive cannot be verified:
%1</source>
        <translation>Das Archiv kann nicht geprüft werden:
%1</translation>
    </message>
    <message numerus="yes">
        <source>%n entries, </source>
        <translation>
            <numerusform>%n Eintrag, </numerusform>
            <numerusform>%n Einträge, </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n signatures, </source>
        <translation>
            <numerusform>%n Signatur, </numerusform>
            <numerusform>%n Signaturen, </numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n audit rows checked.</source>
        <translation>
            <numerusform>%n Zeile des Audit-Trails geprüft.</numerusform>
            <numerusform>%n Zeilen des Audit-Trails geprüft.</numerusform>
        </translation>
    </message>
    <message>
        <source>Verify</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>All holds: %1</source>
        <translation>Alles in Ordnung: %1</translation>
    </message>
    <message numerus="yes">
        <source>
%n failed signings are on record.</source>
        <translation>
            <numerusform>
%n fehlgeschlagener Signierversuch ist verzeichnet.</numerusform>
            <numerusform>
%n fehlgeschlagene Signierversuche sind verzeichnet.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n faults found; </source>
        <translation>
            <numerusform>%n Fehler gefunden; </numerusform>
            <numerusform>%n Fehler gefunden; </numerusform>
        </translation>
    </message>
    <message>
        <source>
The first: %1</source>
        <translation>
Der erste: %1</translation>
    </message>
    <message>
        <source>Signatures cannot be read: %1</source>
        <translation>Die Signaturen können nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Entry %1 is not signed.</source>
        <translation>Eintrag %1 ist nicht signiert.</translation>
    </message>
    <message>
        <source>Signatures of entry %1:
</source>
        <translation>Signaturen von Eintrag %1:
</translation>
    </message>
    <message>
        <source>Entry %1: probe %2, %3, downloaded %4</source>
        <translation>Eintrag %1: Logger %2, %3, ausgelesen %4</translation>
    </message>
    <message numerus="yes">
        <source>%n entries in %1</source>
        <translation>
            <numerusform>%n Eintrag in %1</numerusform>
            <numerusform>%n Einträge in %1</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Verify selected</source>
        <translation>Auswahl &amp;prüfen</translation>
    </message>
    <message numerus="yes">
        <source>Checks the %n selected entries and the whole audit trail.</source>
        <translation>
            <numerusform>Prüft den %n gewählten Eintrag und den ganzen Audit-Trail.</numerusform>
            <numerusform>Prüft die %n gewählten Einträge und den ganzen Audit-Trail.</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Verify all</source>
        <translation>Alle &amp;prüfen</translation>
    </message>
    <message>
        <source>Checks every entry and the whole audit trail.</source>
        <translation>Prüft alle Einträge und den ganzen Audit-Trail.</translation>
    </message>
    <message>
        <source>Export as text into</source>
        <translation>Als Text exportieren nach</translation>
    </message>
    <message>
        <source>Export as record files into</source>
        <translation>Als Aufzeichnungsdateien exportieren nach</translation>
    </message>
    <message>
        <source>%1 exists and was left as it is.</source>
        <translation>%1 existiert und blieb unverändert.</translation>
    </message>
    <message>
        <source>The export of entry %1 is not in the archive&apos;s audit trail: %2</source>
        <translation>Der Export von Eintrag %1 steht nicht im Audit-Trail des Archivs: %2</translation>
    </message>
    <message numerus="yes">
        <source>%n entries written.</source>
        <translation>
            <numerusform>%n Eintrag geschrieben.</numerusform>
            <numerusform>%n Einträge geschrieben.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ombrix::TGraphView</name>
    <message>
        <source>Temperature [°C]</source>
        <translation>Temperatur [°C]</translation>
    </message>
</context>
<context>
    <name>ombrix::THelpWindow</name>
    <message>
        <source>Ombrix Help</source>
        <translation>Ombrix-Hilfe</translation>
    </message>
</context>
<context>
    <name>ombrix::THistogramView</name>
    <message>
        <source>Samples</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Temperature [°C]</source>
        <translation>Temperatur [°C]</translation>
    </message>
</context>
<context>
    <name>ombrix::TLimitsDialog</name>
    <message>
        <source>Limits</source>
        <translation>Grenzwerte</translation>
    </message>
    <message>
        <source>&amp;Low limit :</source>
        <translation>&amp;Untere Grenze:</translation>
    </message>
    <message>
        <source>&amp;High limit :</source>
        <translation>&amp;Obere Grenze:</translation>
    </message>
    <message>
        <source>A run of samples beyond a limit counts as an excursion only when it lasts at least this long (0 to 10,000 minutes).</source>
        <translation>Eine Folge von Messwerten jenseits einer Grenze zählt erst dann als Grenzwertverletzung, wenn sie mindestens so lange dauert (0 bis 10.000 Minuten).</translation>
    </message>
    <message>
        <source>Activation energy over the gas constant, for the mean kinetic temperature (10000 K when in doubt).</source>
        <translation>Aktivierungsenergie geteilt durch die Gaskonstante, für die mittlere kinetische Temperatur (im Zweifel 10000&#xa0;K).</translation>
    </message>
    <message>
        <source>°C</source>
        <translation>°C</translation>
    </message>
    <message>
        <source>&amp;Tolerance delay :</source>
        <translation>&amp;Toleranzzeit:</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>ΔH/R for the &amp;mean kinetic temperature :</source>
        <translation>ΔH/R für die &amp;mittlere kinetische Temperatur:</translation>
    </message>
    <message>
        <source>K</source>
        <translation>K</translation>
    </message>
    <message>
        <source>Keep them as</source>
        <translation>Speichern als</translation>
    </message>
    <message>
        <source>the own limits of probe %1</source>
        <translation>eigene Grenzwerte des Loggers %1</translation>
    </message>
    <message>
        <source>the own limits of a probe (none is known)</source>
        <translation>eigene Grenzwerte eines Loggers (keiner ist bekannt)</translation>
    </message>
    <message>
        <source>the defaults for all probes without limits of their own</source>
        <translation>Vorgaben für alle Logger ohne eigene Grenzwerte</translation>
    </message>
    <message>
        <source>why the limits change</source>
        <translation>warum sich die Grenzwerte ändern</translation>
    </message>
    <message>
        <source>Kept with the limits before and after in the archive&apos;s audit trail; needed when the limits change.</source>
        <translation>Wird mit den Grenzwerten vorher und nachher im Audit-Trail des Archivs aufbewahrt; nötig, wenn sich die Grenzwerte ändern.</translation>
    </message>
    <message>
        <source>&amp;Reason for the change :</source>
        <translation>&amp;Grund der Änderung:</translation>
    </message>
    <message>
        <source>The low limit &quot;%1&quot; is not a temperature. Enter degrees Celsius, or switch the limit off.</source>
        <translation>Die untere Grenze „%1“ ist keine Temperatur. Geben Sie Grad Celsius ein, oder schalten Sie die Grenze aus.</translation>
    </message>
    <message>
        <source>The high limit &quot;%1&quot; is not a temperature. Enter degrees Celsius, or switch the limit off.</source>
        <translation>Die obere Grenze „%1“ ist keine Temperatur. Geben Sie Grad Celsius ein, oder schalten Sie die Grenze aus.</translation>
    </message>
    <message>
        <source>The tolerance delay &quot;%1&quot; is not a whole number of minutes from 0 to 10,000.</source>
        <translation>Die Toleranzzeit „%1“ ist keine ganze Zahl von Minuten von 0 bis 10.000.</translation>
    </message>
    <message>
        <source>Give the reason for the change of the limits: the archive&apos;s audit trail keeps it with the limits before and after.</source>
        <translation>Geben Sie den Grund für die Änderung der Grenzwerte an: Der Audit-Trail des Archivs bewahrt ihn mit den Grenzwerten vorher und nachher auf.</translation>
    </message>
    <message>
        <source>The limits cannot be saved.</source>
        <translation>Die Grenzwerte können nicht gespeichert werden.</translation>
    </message>
</context>
<context>
    <name>ombrix::TMainForm</name>
    <message>
        <source>Temperature Table</source>
        <translation>Temperaturtabelle</translation>
    </message>
    <message>
        <source>Temperature Graph</source>
        <translation>Temperaturgrafik</translation>
    </message>
    <message>
        <source>&amp;Fit to Data</source>
        <translation>An &amp;Daten anpassen</translation>
    </message>
    <message>
        <source>Temperature axis to the samples shown and the limits</source>
        <translation>Temperaturachse an die gezeigten Messwerte und die Grenzwerte anpassen</translation>
    </message>
    <message>
        <source>&amp;Reset Zoom</source>
        <translation>&amp;Zoom zurücksetzen</translation>
    </message>
    <message>
        <source>The whole record on the usual temperature axis</source>
        <translation>Die ganze Aufzeichnung auf der üblichen Temperaturachse</translation>
    </message>
    <message>
        <source>Temperature Histogram</source>
        <translation>Temperaturhistogramm</translation>
    </message>
    <message>
        <source>The record was not saved.</source>
        <translation>Die Aufzeichnung wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>open another file</source>
        <translation>eine andere Datei öffnen</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Thermo probe file</source>
        <translation>Aufzeichnungsdatei</translation>
    </message>
    <message>
        <source>The record file cannot be opened.</source>
        <translation>Die Aufzeichnungsdatei kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>The archive %1 cannot be opened:
%2</source>
        <translation>Das Archiv %1 kann nicht geöffnet werden:
%2</translation>
    </message>
    <message>
        <source>The archive entry cannot be opened.
%1</source>
        <translation>Der Archiveintrag kann nicht geöffnet werden.
%1</translation>
    </message>
    <message>
        <source>open an archive entry</source>
        <translation>einen Archiveintrag öffnen</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Thermo probe files</source>
        <translation>Aufzeichnungsdateien</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exportieren</translation>
    </message>
    <message>
        <source>Thermo probe export</source>
        <translation>Textexport</translation>
    </message>
    <message>
        <source>CSV</source>
        <translation>CSV</translation>
    </message>
    <message>
        <source>The export was not written.</source>
        <translation>Der Export wurde nicht geschrieben.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Stops the download; nothing of it is kept (Esc)</source>
        <translation>Bricht die Auslesung ab; nichts davon wird behalten (Esc)</translation>
    </message>
    <message>
        <source>Activity</source>
        <translation>Aktivität</translation>
    </message>
    <message>
        <source>1min</source>
        <translation>1&#xa0;min</translation>
    </message>
    <message>
        <source>The settings cannot be read.</source>
        <translation>Die Einstellungen können nicht gelesen werden.</translation>
    </message>
    <message>
        <source>start anew</source>
        <translation>neu beginnen</translation>
    </message>
    <message>
        <source>The data read from the probe are not saved. Do You really want to %1 ?</source>
        <translation>Die aus dem Logger gelesenen Daten sind nicht gespeichert. Wollen Sie wirklich %1?</translation>
    </message>
    <message>
        <source>The help file %1 cannot be read.</source>
        <translation>Die Hilfedatei %1 kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>NO USB ACCESS - see Help</source>
        <translation>KEIN USB-ZUGRIFF – siehe Hilfe</translation>
    </message>
    <message>
        <source>A USB adapter is plugged in, but this user has no permission to open it.
Install the udev rule 70-ombrix-ftdi.rules that comes with Ombrix
(Help, &quot;USB access for real adapters&quot;), then unplug the adapter and
plug it in again.</source>
        <translation>Ein USB-Adapter ist eingesteckt, aber dieser Benutzer darf ihn nicht öffnen.
Installieren Sie die udev-Regel 70-ombrix-ftdi.rules, die mit Ombrix kommt
(Hilfe, „USB-Zugriff für echte Adapter“), ziehen Sie dann den Adapter ab
und stecken Sie ihn wieder ein.</translation>
    </message>
    <message>
        <source>The probe was taken away. The data read from it are not saved. Do You want to save them now ?</source>
        <translation>Der Logger wurde abgenommen. Die aus ihm gelesenen Daten sind nicht gespeichert. Wollen Sie sie jetzt speichern?</translation>
    </message>
    <message>
        <source>The probe keeps at most %1 characters of comment.</source>
        <translation>Der Logger speichert höchstens %1 Zeichen Kommentar.</translation>
    </message>
    <message>
        <source>read new data</source>
        <translation>neue Daten lesen</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>The download was stopped: %1. Nothing was kept of it.</source>
        <translation>Die Auslesung wurde abgebrochen: %1. Nichts davon wurde behalten.</translation>
    </message>
    <message>
        <source>The download could not be stored in the archive %1:
%2

It is held as unsaved data: save it to a file before you close the program.</source>
        <translation>Die Auslesung konnte nicht im Archiv %1 abgelegt werden:
%2

Sie wird als ungespeicherte Daten gehalten: Speichern Sie sie in einer Datei, bevor Sie das Programm schließen.</translation>
    </message>
    <message>
        <source>clear the probe</source>
        <translation>den Logger löschen</translation>
    </message>
    <message>
        <source>start a new recording</source>
        <translation>eine neue Aufzeichnung starten</translation>
    </message>
    <message>
        <source>Signatures could not be read: %1</source>
        <translation>Die Signaturen konnten nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The report could not be printed.</source>
        <translation>Der Bericht konnte nicht gedruckt werden.</translation>
    </message>
    <message>
        <source>Print Preview</source>
        <translation>Druckvorschau</translation>
    </message>
    <message>
        <source>Export PDF</source>
        <translation>PDF exportieren</translation>
    </message>
    <message>
        <source>PDF document</source>
        <translation>PDF-Dokument</translation>
    </message>
    <message>
        <source>The report was not saved.</source>
        <translation>Der Bericht wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 bis %2</translation>
    </message>
    <message>
        <source>not below %1</source>
        <translation>nicht unter %1</translation>
    </message>
    <message>
        <source>not above %1</source>
        <translation>nicht über %1</translation>
    </message>
    <message>
        <source>none set</source>
        <translation>keine festgelegt</translation>
    </message>
    <message>
        <source>, excursions of %1 or longer</source>
        <translation>, Verletzungen ab %1 Dauer</translation>
    </message>
    <message>
        <source>This record file was changed after it was saved: the data shown are not the readings as they were downloaded.</source>
        <translation>Diese Aufzeichnungsdatei wurde nach dem Speichern geändert: Die gezeigten Daten sind nicht die Messwerte, wie sie ausgelesen wurden.</translation>
    </message>
    <message>
        <source>The data shown were read from probe %1 (%2), mission started %3, downloaded %4</source>
        <translation>Die gezeigten Daten stammen von Logger %1 (%2), Aufzeichnung begonnen %3, ausgelesen %4</translation>
    </message>
    <message>
        <source>: that probe is no longer on the adapter</source>
        <translation>: Dieser Logger ist nicht mehr auf dem Adapter</translation>
    </message>
    <message>
        <source>: not the probe on the adapter</source>
        <translation>: nicht der Logger auf dem Adapter</translation>
    </message>
    <message>
        <source>: not the probe&apos;s present mission</source>
        <translation>: nicht die jetzige Aufzeichnung des Loggers</translation>
    </message>
    <message>
        <source>, and are not saved</source>
        <translation>, und sind nicht gespeichert</translation>
    </message>
    <message>
        <source> - held data of probe %1 (%2)</source>
        <translation> – angezeigte Daten von Logger %1 (%2)</translation>
    </message>
    <message>
        <source> - changed after it was saved</source>
        <translation> – nach dem Speichern geändert</translation>
    </message>
    <message>
        <source> (this probe&apos;s own)</source>
        <translation> (eigene dieses Loggers)</translation>
    </message>
    <message>
        <source> (defaults for all probes)</source>
        <translation> (Vorgaben für alle Logger)</translation>
    </message>
    <message>
        <source>%1 (ΔH/R %2 K)</source>
        <translation>%1 (ΔH/R %2&#xa0;K)</translation>
    </message>
    <message>
        <source>%1, %2 – %3</source>
        <translation>%1, %2 – %3</translation>
    </message>
</context>
<context>
    <name>ombrix::TPrintPreview</name>
    <message>
        <source>Ombrix — temperature probe report</source>
        <translation>Ombrix — Bericht des Temperaturloggers</translation>
    </message>
    <message>
        <source>Temperature probe</source>
        <translation>Temperaturlogger</translation>
    </message>
    <message>
        <source>Name :</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Comment :</source>
        <translation>Kommentar:</translation>
    </message>
    <message>
        <source>Serial Number :</source>
        <translation>Seriennummer:</translation>
    </message>
    <message>
        <source>Sample Rate :</source>
        <translation>Messintervall:</translation>
    </message>
    <message>
        <source>First Sample :</source>
        <translation>Erster Messwert:</translation>
    </message>
    <message>
        <source>Mission Samples :</source>
        <translation>Aufgezeichnet:</translation>
    </message>
    <message>
        <source>Record Start :</source>
        <translation>Aufz.-Beginn:</translation>
    </message>
    <message>
        <source>Download Time :</source>
        <translation>Auslesezeit:</translation>
    </message>
    <message>
        <source>Samples Total :</source>
        <translation>Insgesamt:</translation>
    </message>
    <message>
        <source>Temperature [°C]</source>
        <translation>Temperatur [°C]</translation>
    </message>
    <message>
        <source>Temperature probe — summary</source>
        <translation>Temperaturlogger — Zusammenfassung</translation>
    </message>
    <message>
        <source>Limits</source>
        <translation>Grenzwerte</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
    <message>
        <source>Electronic signatures</source>
        <translation>Elektronische Signaturen</translation>
    </message>
    <message>
        <source>… and %1 more</source>
        <translation>… und %1 weitere</translation>
    </message>
    <message>
        <source>Excursions</source>
        <translation>Grenzwertverletzungen</translation>
    </message>
    <message>
        <source>None.</source>
        <translation>Keine.</translation>
    </message>
    <message>
        <source>None counted without limits.</source>
        <translation>Ohne Grenzwerte wird keine gezählt.</translation>
    </message>
    <message>
        <source>Beyond</source>
        <translation>Bereich</translation>
    </message>
    <message>
        <source>From</source>
        <translation>Von</translation>
    </message>
    <message>
        <source>Until</source>
        <translation>Bis</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
</context>
<context>
    <name>ombrix::TSignDialog</name>
    <message>
        <source>Sign archive entry %1</source>
        <translation>Archiveintrag %1 signieren</translation>
    </message>
    <message>
        <source>Reviewed</source>
        <translation>Geprüft</translation>
    </message>
    <message>
        <source>Approved</source>
        <translation>Genehmigt</translation>
    </message>
    <message>
        <source>Released</source>
        <translation>Freigegeben</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Key file</source>
        <translation>Schlüsseldatei</translation>
    </message>
    <message>
        <source>Key files (*.key)</source>
        <translation>Schlüsseldateien (*.key)</translation>
    </message>
    <message>
        <source>&amp;Meaning :</source>
        <translation>&amp;Bedeutung:</translation>
    </message>
    <message>
        <source>&amp;Comment :</source>
        <translation>&amp;Kommentar:</translation>
    </message>
    <message>
        <source>&amp;Key file :</source>
        <translation>Sch&amp;lüsseldatei:</translation>
    </message>
    <message>
        <source>&amp;Passphrase :</source>
        <translation>&amp;Passphrase:</translation>
    </message>
    <message>
        <source>Your signature stays with the entry for good and shows your name, the date and time and its meaning.</source>
        <translation>Ihre Signatur bleibt für immer beim Eintrag und zeigt Ihren Namen, Datum und Uhrzeit und ihre Bedeutung.</translation>
    </message>
    <message>
        <source>&amp;Sign</source>
        <translation>&amp;Signieren</translation>
    </message>
    <message>
        <source>The entry was not signed:
%1</source>
        <translation>Der Eintrag wurde nicht signiert:
%1</translation>
    </message>
    <message>
        <source>Make your key with: ombrix-cli key create</source>
        <translation>Erstellen Sie Ihren Schlüssel mit: ombrix-cli key create</translation>
    </message>
</context>
<context>
    <name>ombrix::TStationSettingsDialog</name>
    <message>
        <source>Station settings</source>
        <translation>Einstellungen der Station</translation>
    </message>
    <message>
        <source>the current folder</source>
        <translation>der aktuelle Ordner</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>{serial}, {name}, {adapter}, {samples}, {entry}, {missionstart:FMT} and {download:FMT} with FMT of yyyy MM dd HH mm ss; &quot;/&quot; makes subfolders</source>
        <translation>{serial}, {name}, {adapter}, {samples}, {entry}, {missionstart:FMT} und {download:FMT} mit FMT aus yyyy MM dd HH mm ss; „/“ legt Unterordner an</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keiner</translation>
    </message>
    <message>
        <source>text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>CSV</source>
        <translation>CSV</translation>
    </message>
    <message>
        <source>a PDF &amp;report beside each record file</source>
        <translation>einen PDF-&amp;Bericht neben jeder Aufzeichnungsdatei</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>&amp;Folder:</source>
        <translation>&amp;Ordner:</translation>
    </message>
    <message>
        <source>&amp;Name pattern:</source>
        <translation>&amp;Namensmuster:</translation>
    </message>
    <message>
        <source>&amp;Export:</source>
        <translation>&amp;Export:</translation>
    </message>
    <message>
        <source>Write:</source>
        <translation>Schreiben:</translation>
    </message>
    <message>
        <source>Re-&amp;arm by:</source>
        <translation>Neu &amp;starten mit:</translation>
    </message>
    <message>
        <source>The station&apos;s settings are not changed:
%1</source>
        <translation>Die Einstellungen der Station sind nicht geändert:
%1</translation>
    </message>
    <message>
        <source>The station&apos;s folder</source>
        <translation>Der Ordner der Station</translation>
    </message>
</context>
<context>
    <name>ombrix::TStationWindow</name>
    <message>
        <source>Download station</source>
        <translation>Auslesestation</translation>
    </message>
    <message>
        <source>Adapter</source>
        <translation>Adapter</translation>
    </message>
    <message>
        <source>Probe</source>
        <translation>Logger</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>Schritt</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>Bewertung</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Archive entry</source>
        <translation>Archiveintrag</translation>
    </message>
    <message>
        <source>Re-armed</source>
        <translation>Neu gestartet</translation>
    </message>
    <message>
        <source>&amp;Settings...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>S&amp;tart</source>
        <translation>S&amp;tarten</translation>
    </message>
    <message>
        <source>St&amp;op</source>
        <translation>St&amp;oppen</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>The folder %1 cannot be made.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden.</translation>
    </message>
    <message>
        <source>The station cannot start:
%1</source>
        <translation>Die Station kann nicht starten:
%1</translation>
    </message>
    <message>
        <source>waiting for a probe</source>
        <translation>wartet auf einen Logger</translation>
    </message>
    <message>
        <source>adapter gone</source>
        <translation>Adapter entfernt</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nein</translation>
    </message>
    <message>
        <source>Folder: %1    Pattern: %2</source>
        <translation>Ordner: %1    Muster: %2</translation>
    </message>
    <message>
        <source>record file</source>
        <translation>Aufzeichnungsdatei</translation>
    </message>
    <message>
        <source>text export</source>
        <translation>Textexport</translation>
    </message>
    <message>
        <source>CSV export</source>
        <translation>CSV-Export</translation>
    </message>
    <message>
        <source>PDF report</source>
        <translation>PDF-Bericht</translation>
    </message>
    <message>
        <source>[Launch %1], every %2 min</source>
        <translation>[Launch %1], alle %2&#xa0;min</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aus</translation>
    </message>
    <message>
        <source>Writes: %1    Re-arm: %2</source>
        <translation>Schreibt: %1    Neustart: %2</translation>
    </message>
    <message>
        <source>running</source>
        <translation>in Betrieb</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>gestoppt</translation>
    </message>
    <message>
        <source>Done %1, failed %2    The station is %3.</source>
        <translation>Fertig %1, fehlgeschlagen %2    Die Station ist %3.</translation>
    </message>
</context>
</TS>
