<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Norvik Software Homepage</source>
        <translation>Norvik Software im Internet</translation>
    </message>
    <message>
        <source>Technical Support</source>
        <translation>Technischer Support</translation>
    </message>
    <message>
        <source>Check Update</source>
        <translation>Nach Updates suchen</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>BatchCli</name>
    <message>
        <source>unknown option %1</source>
        <translation>unbekannte Option %1</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 braucht einen Wert</translation>
    </message>
    <message>
        <source>%1 takes how many files to convert at once, from 1 to %2, not &quot;%3&quot;</source>
        <translation>%1 erwartet, wie viele Dateien gleichzeitig konvertiert werden, von 1 bis %2, nicht &quot;%3&quot;</translation>
    </message>
    <message>
        <source>the output folder must not be empty</source>
        <translation>der Ausgabeordner darf nicht leer sein</translation>
    </message>
    <message>
        <source>%1 cannot be negative: &quot;%2&quot;</source>
        <translation>%1 darf nicht negativ sein: &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1 takes a time as HH:MM:SS, not &quot;%2&quot;</source>
        <translation>%1 erwartet eine Zeit als HH:MM:SS, nicht &quot;%2&quot;</translation>
    </message>
    <message>
        <source>%1 cannot be combined with another mode</source>
        <translation>%1 lässt sich nicht mit einer anderen Betriebsart verbinden</translation>
    </message>
    <message>
        <source>--probe needs at least one FILE</source>
        <translation>--probe braucht mindestens eine DATEI (FILE)</translation>
    </message>
    <message>
        <source>no FILE given</source>
        <translation>keine DATEI (FILE) angegeben</translation>
    </message>
    <message>
        <source>unexpected argument %1</source>
        <translation>unerwartetes Argument %1</translation>
    </message>
    <message>
        <source>-p, -o, -j, --start and --end go with conversions only</source>
        <translation>-p, -o, -j, --start und --end gelten nur für Konvertierungen</translation>
    </message>
    <message>
        <source>--json goes with conversions and --list-profiles only</source>
        <translation>--json gilt nur für Konvertierungen und --list-profiles</translation>
    </message>
    <message>
        <source>usage: morvane-batch [-p NAME|ID] [-o DIR] [--start HH:MM:SS] [--end HH:MM:SS] [-j N] [--json]
                     [--journal FILE] FILE...
       morvane-batch --list-profiles [--json]
       morvane-batch --show-profile NAME
       morvane-batch --probe FILE...
       morvane-batch --help | --version

Converts the FILEs with profile NAME (default: the profile chosen last in the program) into
folder DIR (default: the Output folder of config.ini). --start and --end cut every file. A
profile&apos;s ID is its file name without &quot;.pf&quot; (--list-profiles --json shows both).
-j N converts N files at once (1 to 16, default 2), each with its own converter, starting in
the order given; -j 1 converts one after another. A failure lets the running files finish
and starts no more. Profiles that share a Name are listed with their file beside it; a NAME
or ID that could mean more than one profile is refused.
--json writes one JSON object per line on standard output (events &quot;added&quot;, &quot;skipped&quot;,
&quot;progress&quot;, &quot;finished&quot; and &quot;end&quot;); messages and the result table go to standard error.
--journal FILE records each file&apos;s outcome in FILE as it ends (one JSON line, flushed to disk);
run again with the same FILE, files already converted there from the same source (size and
time unchanged) with the same profile, settings, cut and output folder, whose output is still
there, are skipped and reported as such. A batch cut off at any point can so be run again.
Ctrl-C stops the running conversions and the batch; a second Ctrl-C ends at once.
Exit status: 0 when every file was converted, 1 when any failed or was stopped, 2 for usage errors.

--probe prints one line per FILE as the program reads it when the file is added:
  duration     length in seconds, one second added as the file list counts it
  width height picture size in pixels (0 without a picture)
  video audio  1 when the file has such a stream, else 0
  frameserver  1 when the file may be read through the frame-server script
</source>
        <translation>Aufruf: morvane-batch [-p NAME|ID] [-o DIR] [--start HH:MM:SS] [--end HH:MM:SS] [-j N] [--json]
                      [--journal FILE] FILE...
        morvane-batch --list-profiles [--json]
        morvane-batch --show-profile NAME
        morvane-batch --probe FILE...
        morvane-batch --help | --version

Konvertiert die Dateien (FILE) mit dem Profil NAME (Vorgabe: das zuletzt im Programm gewählte Profil)
in den Ordner DIR (Vorgabe: der Ausgabeordner aus config.ini). --start und --end schneiden jede Datei.
Die ID eines Profils ist sein Dateiname ohne &quot;.pf&quot; (--list-profiles --json zeigt beides).
-j N konvertiert N Dateien gleichzeitig (1 bis 16, Vorgabe 2), jede mit eigenem Konverter, in der
angegebenen Reihenfolge; -j 1 konvertiert eine nach der anderen. Nach einem Fehler werden die
laufenden Dateien fertig konvertiert und keine weiteren begonnen. Profile mit gleichem Namen werden mit
ihrer Datei daneben aufgeführt; ein NAME oder eine ID, die mehr als ein Profil meinen könnte, wird abgelehnt.
--json schreibt ein JSON-Objekt je Zeile auf die Standardausgabe (Ereignisse &quot;added&quot;, &quot;skipped&quot;,
&quot;progress&quot;, &quot;finished&quot; und &quot;end&quot;); Meldungen und die Ergebnistabelle gehen auf die Standardfehlerausgabe.
--journal FILE hält das Ergebnis jeder Datei bei ihrem Ende in FILE fest (eine JSON-Zeile, auf die Platte
geschrieben); ein neuer Lauf mit derselben FILE überspringt Dateien, die dort schon aus derselben Quelle
(Größe und Zeit unverändert) mit demselben Profil, denselben Einstellungen, demselben Schnitt und
Ausgabeordner konvertiert wurden und deren Ausgabe noch da ist, und meldet sie so. Ein an beliebiger
Stelle abgebrochener Stapel lässt sich so erneut starten.
Strg-C hält die laufenden Konvertierungen und den Stapel an; ein zweites Strg-C beendet sofort.
Rückgabewert: 0, wenn jede Datei konvertiert wurde, 1, wenn eine fehlschlug oder angehalten wurde, 2 bei
Aufruffehlern.

--probe gibt je Datei (FILE) eine Zeile aus, wie das Programm sie beim Hinzufügen liest:
  duration     Länge in Sekunden, eine Sekunde dazugezählt wie in der Dateiliste
  width height Bildgröße in Pixeln (0 ohne Bild)
  video audio  1, wenn die Datei einen solchen Datenstrom hat, sonst 0
  frameserver  1, wenn die Datei über das Frameserver-Skript gelesen werden darf
</translation>
    </message>
    <message>
        <source>the journal file must not be empty</source>
        <translation>die Journaldatei darf nicht leer sein</translation>
    </message>
    <message>
        <source>--journal goes with conversions only</source>
        <translation>--journal gilt nur für Konvertierungen</translation>
    </message>
</context>
<context>
    <name>BatchDriver</name>
    <message>
        <source>Convert fail! No trace file could be written (not as &quot;%1&quot;, nor in a temporary folder), so the reason was not recorded. Please tell %2 what you converted</source>
        <translation>Konvertierung fehlgeschlagen! Es konnte keine Protokolldatei geschrieben werden (weder als &quot;%1&quot; noch in einem temporären Ordner), daher wurde der Grund nicht festgehalten. Bitte teilen Sie %2 mit, was Sie konvertiert haben</translation>
    </message>
    <message>
        <source>Convert fail! Please send the trace file &quot;%1&quot; to %2</source>
        <translation>Konvertierung fehlgeschlagen! Bitte senden Sie die Protokolldatei &quot;%1&quot; an %2</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; cannot be used: a name in its path is %2 bytes long, and a file system holds names of at most %3 bytes. Choose a shorter output folder.</source>
        <translation>Der Ausgabeordner &quot;%1&quot; kann nicht verwendet werden: Ein Name in seinem Pfad ist %2 Byte lang, ein Dateisystem fasst aber Namen von höchstens %3 Byte. Wählen Sie einen kürzeren Ausgabeordner.</translation>
    </message>
    <message>
        <source>The output folder &quot;%1&quot; cannot be used: its path is %2 bytes long, and output files (of names up to %3 bytes) are written into folders of at most %4 bytes. Choose a shorter output folder.</source>
        <translation>Der Ausgabeordner &quot;%1&quot; kann nicht verwendet werden: Sein Pfad ist %2 Byte lang, Ausgabedateien (mit Namen bis zu %3 Byte) werden aber in Ordner von höchstens %4 Byte geschrieben. Wählen Sie einen kürzeren Ausgabeordner.</translation>
    </message>
    <message>
        <source>There is no selected file in list! </source>
        <translation>In der Liste ist keine Datei ausgewählt! </translation>
    </message>
    <message>
        <source>  Stop the video convert operation?   </source>
        <translation>  Die Videokonvertierung anhalten?   </translation>
    </message>
    <message>
        <source>    Mission accomplished!        </source>
        <translation>    Auftrag erledigt!        </translation>
    </message>
    <message>
        <source>Encounter a problem,please Restart !!!</source>
        <translation>Es ist ein Problem aufgetreten, bitte neu starten!!!</translation>
    </message>
    <message>
        <source>the output file &quot;%1&quot; is missing or empty</source>
        <translation>die Ausgabedatei &quot;%1&quot; fehlt oder ist leer</translation>
    </message>
    <message>
        <source>the row has no conversion job</source>
        <translation>die Zeile hat keinen Konvertierungsauftrag</translation>
    </message>
    <message>
        <source>The computer will shut down in %1 seconds.</source>
        <translation>Der Computer wird in %1 Sekunden heruntergefahren.</translation>
    </message>
    <message>
        <source>The computer could not be shut down: %1</source>
        <translation>Der Computer konnte nicht heruntergefahren werden: %1</translation>
    </message>
</context>
<context>
    <name>BatchJournal</name>
    <message>
        <source>cannot open the journal &quot;%1&quot;: %2</source>
        <translation>das Journal &quot;%1&quot; kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>the journal &quot;%1&quot; is not a regular file</source>
        <translation>das Journal &quot;%1&quot; ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <source>cannot read the journal &quot;%1&quot;: %2</source>
        <translation>das Journal &quot;%1&quot; kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a journal of morvane-batch; it is left as it is</source>
        <translation>&quot;%1&quot; ist kein Journal von morvane-batch; die Datei bleibt unverändert</translation>
    </message>
    <message>
        <source>cannot write the journal &quot;%1&quot;: %2</source>
        <translation>das Journal &quot;%1&quot; kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>BatchMain</name>
    <message>
        <source>no profile is named &quot;%1&quot;</source>
        <translation>kein Profil heißt &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Close matches:</source>
        <translation>Ähnliche Namen:</translation>
    </message>
    <message>
        <source>Use --list-profiles to see them all.</source>
        <translation>Mit --list-profiles werden alle angezeigt.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could be any of %2 profiles:</source>
        <translation>&quot;%1&quot; könnte jedes von %2 Profilen sein:</translation>
    </message>
    <message>
        <source>Name one as --list-profiles shows it.</source>
        <translation>Geben Sie eines so an, wie --list-profiles es zeigt.</translation>
    </message>
    <message>
        <source>Quitting.</source>
        <translation>Wird beendet.</translation>
    </message>
    <message>
        <source>the conversion engine could not be started</source>
        <translation>die Konvertierung konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>no profile is chosen in config.ini; name one with -p (--list-profiles shows them)</source>
        <translation>in config.ini ist kein Profil gewählt; geben Sie eines mit -p an (--list-profiles zeigt sie)</translation>
    </message>
    <message>
        <source>nothing to convert</source>
        <translation>nichts zu konvertieren</translation>
    </message>
    <message>
        <source>	(unavailable: %1)</source>
        <translation>	(nicht verfügbar: %1)</translation>
    </message>
    <message>
        <source>Stopping: the running conversion is abandoned and nothing unfinished is kept; press Ctrl-C again to quit at once.</source>
        <translation>Wird angehalten: Die laufende Konvertierung wird abgebrochen und nichts Unfertiges behalten; erneut Strg-C drücken, um sofort zu beenden.</translation>
    </message>
</context>
<context>
    <name>BatchProgress</name>
    <message>
        <source>less than a minute left</source>
        <translation>weniger als eine Minute übrig</translation>
    </message>
    <message>
        <source>about %1 min left</source>
        <translation>noch etwa %1 min</translation>
    </message>
    <message>
        <source>about %1 h left</source>
        <translation>noch etwa %1 h</translation>
    </message>
    <message>
        <source>about %1 h %2 min left</source>
        <translation>noch etwa %1 h %2 min</translation>
    </message>
    <message>
        <source>Conversion failed</source>
        <translation>Konvertierung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Conversion stopped</source>
        <translation>Konvertierung angehalten</translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation>Konvertierung abgeschlossen</translation>
    </message>
    <message>
        <source>1 file converted</source>
        <translation>1 Datei konvertiert</translation>
    </message>
    <message>
        <source>%1 files converted</source>
        <translation>%1 Dateien konvertiert</translation>
    </message>
    <message>
        <source>, %1 failed</source>
        <translation>, %1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>, %1 stopped</source>
        <translation>, %1 angehalten</translation>
    </message>
</context>
<context>
    <name>CliBatchView</name>
    <message>
        <source>Reason: %1</source>
        <translation>Grund: %1</translation>
    </message>
    <message>
        <source> | all </source>
        <translation> | gesamt </translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Already converted (journal): %1 -&gt; %2</source>
        <translation>Bereits konvertiert (Journal): %1 -&gt; %2</translation>
    </message>
</context>
<context>
    <name>ConfigureDialog</name>
    <message>
        <source>Configure</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>DesktopActions</name>
    <message>
        <source>The help file is missing:
</source>
        <translation>Die Hilfedatei fehlt:
</translation>
    </message>
    <message>
        <source>No web browser could open the help file:
</source>
        <translation>Kein Webbrowser konnte die Hilfedatei öffnen:
</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Simultaneous process:</source>
        <translation>Gleichzeitige Vorgänge:</translation>
    </message>
    <message>
        <source>Shutdown PC when finished.</source>
        <translation>PC nach Abschluss herunterfahren.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Profile:</source>
        <translation>Profil:</translation>
    </message>
    <message>
        <source>Output:</source>
        <translation>Ausgabe:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>Auto open the output folder when finished.</source>
        <translation>Ausgabeordner nach Abschluss öffnen.</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>Length:</source>
        <translation>Länge:</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Keep the list for the next start</source>
        <translation>Liste für den nächsten Start behalten</translation>
    </message>
</context>
<context>
    <name>FileAdder</name>
    <message>
        <source>The file &quot;%1&quot; can not be decoded.</source>
        <translation>Die Datei &quot;%1&quot; kann nicht dekodiert werden.</translation>
    </message>
    <message>
        <source>its name is %1 bytes long; a file system holds names of at most %2 bytes</source>
        <translation>ihr Name ist %1 Byte lang; ein Dateisystem fasst Namen von höchstens %2 Byte</translation>
    </message>
    <message>
        <source>the name of a folder in its path is %1 bytes long; a file system holds names of at most %2 bytes</source>
        <translation>der Name eines Ordners in ihrem Pfad ist %1 Byte lang; ein Dateisystem fasst Namen von höchstens %2 Byte</translation>
    </message>
    <message>
        <source>its path is %1 bytes long; files are converted from paths of at most %2 bytes</source>
        <translation>ihr Pfad ist %1 Byte lang; konvertiert werden Dateien mit Pfaden von höchstens %2 Byte</translation>
    </message>
    <message>
        <source>it is %1, not a file</source>
        <translation>sie ist %1, keine Datei</translation>
    </message>
    <message>
        <source>it is not there</source>
        <translation>sie ist nicht vorhanden</translation>
    </message>
    <message>
        <source>it cannot be read: </source>
        <translation>sie kann nicht gelesen werden: </translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; can not be added: %2.</source>
        <translation>Die Datei &quot;%1&quot; kann nicht hinzugefügt werden: %2.</translation>
    </message>
</context>
<context>
    <name>FileDialog</name>
    <message>
        <source>All Files</source>
        <translation>Alle Dateien</translation>
    </message>
    <message>
        <source>VCD Video file</source>
        <translation>VCD-Videodatei</translation>
    </message>
    <message>
        <source>Real Media File</source>
        <translation>Real-Media-Datei</translation>
    </message>
    <message>
        <source>Flash Video Format</source>
        <translation>Flash-Videoformat</translation>
    </message>
    <message>
        <source>Bitmap</source>
        <translation>Bitmap</translation>
    </message>
</context>
<context>
    <name>FileIdentity</name>
    <message>
        <source>a folder</source>
        <translation>ein Ordner</translation>
    </message>
    <message>
        <source>a named pipe</source>
        <translation>eine benannte Pipe</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>ein Socket</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>ein Gerät</translation>
    </message>
</context>
<context>
    <name>FileList</name>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Completed</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Fail</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abgebrochen</translation>
    </message>
</context>
<context>
    <name>HyperlinkStatic</name>
    <message>
        <source>The operating system is out
of memory or resources.</source>
        <translation>Dem Betriebssystem fehlt es an
Speicher oder Ressourcen.</translation>
    </message>
    <message>
        <source>The specified file was not found.</source>
        <translation>Die angegebene Datei wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The specified path was not found.</source>
        <translation>Der angegebene Pfad wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The operating system denied
access to the specified file.</source>
        <translation>Das Betriebssystem hat den Zugriff
auf die angegebene Datei verweigert.</translation>
    </message>
    <message>
        <source>There was not enough memory to complete the operation.</source>
        <translation>Für den Vorgang war nicht genug Speicher vorhanden.</translation>
    </message>
    <message>
        <source>The .EXE file is invalid
(non-Win32 .EXE or error in .EXE image).</source>
        <translation>Die .EXE-Datei ist ungültig
(keine Win32-.EXE oder Fehler im .EXE-Abbild).</translation>
    </message>
    <message>
        <source>A sharing violation occurred. </source>
        <translation>Eine Freigabeverletzung ist aufgetreten. </translation>
    </message>
    <message>
        <source>The filename association is
incomplete or invalid.</source>
        <translation>Die Dateizuordnung ist
unvollständig oder ungültig.</translation>
    </message>
    <message>
        <source>The DDE transaction could not
be completed because the request timed out.</source>
        <translation>Die DDE-Transaktion konnte nicht
abgeschlossen werden, weil die Anfrage zu lange dauerte.</translation>
    </message>
    <message>
        <source>The DDE transaction failed.</source>
        <translation>Die DDE-Transaktion ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The DDE transaction could not
be completed because other DDE transactions
were being processed.</source>
        <translation>Die DDE-Transaktion konnte nicht
abgeschlossen werden, weil andere DDE-Transaktionen
gerade bearbeitet wurden.</translation>
    </message>
    <message>
        <source>There is no application associated
with the given filename extension.</source>
        <translation>Mit der angegebenen Dateiendung
ist keine Anwendung verknüpft.</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>Die angegebene dynamische Bibliothek wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Unknown Error (%1) occurred.</source>
        <translation>Unbekannter Fehler (%1) aufgetreten.</translation>
    </message>
    <message>
        <source>Unable to open hyperlink:

</source>
        <translation>Der Link kann nicht geöffnet werden:

</translation>
    </message>
</context>
<context>
    <name>ListKeeper</name>
    <message>
        <source>The program did not close properly last time. Restore the file of the last session?</source>
        <translation>Das Programm wurde beim letzten Mal nicht richtig beendet. Die Datei der letzten Sitzung wiederherstellen?</translation>
    </message>
    <message>
        <source>The program did not close properly last time. Restore the %1 files of the last session?</source>
        <translation>Das Programm wurde beim letzten Mal nicht richtig beendet. Die %1 Dateien der letzten Sitzung wiederherstellen?</translation>
    </message>
    <message>
        <source>This file of the last session is no longer there and was left out:</source>
        <translation>Diese Datei der letzten Sitzung ist nicht mehr vorhanden und wurde ausgelassen:</translation>
    </message>
    <message>
        <source>These files of the last session are no longer there and were left out:</source>
        <translation>Diese Dateien der letzten Sitzung sind nicht mehr vorhanden und wurden ausgelassen:</translation>
    </message>
    <message>
        <source>The saved file list &quot;%1&quot; cannot be used: %2.</source>
        <translation>Die gespeicherte Dateiliste &quot;%1&quot; kann nicht verwendet werden: %2.</translation>
    </message>
    <message>
        <source> It was set aside as &quot;%1&quot;; the list starts empty.</source>
        <translation> Sie wurde als &quot;%1&quot; beiseitegelegt; die Liste beginnt leer.</translation>
    </message>
    <message>
        <source> It could not be set aside (%1); the list starts empty and will replace it.</source>
        <translation> Sie konnte nicht beiseitegelegt werden (%1); die Liste beginnt leer und wird sie ersetzen.</translation>
    </message>
    <message>
        <source>it is empty</source>
        <translation>sie ist leer</translation>
    </message>
    <message>
        <source>it is cut short</source>
        <translation>sie ist unvollständig (abgeschnitten)</translation>
    </message>
    <message>
        <source>it is not readable (%1)</source>
        <translation>sie ist nicht lesbar (%1)</translation>
    </message>
    <message>
        <source>it is not a saved file list</source>
        <translation>sie ist keine gespeicherte Dateiliste</translation>
    </message>
    <message>
        <source>a later version of the program wrote it (version %1)</source>
        <translation>eine neuere Version des Programms hat sie geschrieben (Version %1)</translation>
    </message>
    <message>
        <source>it has no version this program knows</source>
        <translation>sie hat keine Version, die dieses Programm kennt</translation>
    </message>
    <message>
        <source>its profiles or rows are not lists</source>
        <translation>ihre Profile oder Zeilen sind keine Listen</translation>
    </message>
    <message>
        <source>it is damaged: %1</source>
        <translation>sie ist beschädigt: %1</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Video File</source>
        <translation>Videodatei</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>The convert is running, please stop convert and then exit.</source>
        <translation>Die Konvertierung läuft. Bitte halten Sie sie an und beenden Sie dann das Programm.</translation>
    </message>
    <message>
        <source>Please select output directory:</source>
        <translation>Bitte den Ausgabeordner wählen:</translation>
    </message>
    <message>
        <source>Rewind</source>
        <translation>Zurückspulen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Fast forward</source>
        <translation>Vorspulen</translation>
    </message>
    <message>
        <source>Add media file to control list</source>
        <translation>Mediendatei zur Liste hinzufügen</translation>
    </message>
    <message>
        <source>Remove file from control list</source>
        <translation>Datei aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Split the media file</source>
        <translation>Mediendatei schneiden</translation>
    </message>
    <message>
        <source>More...</source>
        <translation>Mehr...</translation>
    </message>
    <message>
        <source>Start convert</source>
        <translation>Konvertierung starten</translation>
    </message>
    <message>
        <source>Stop convert</source>
        <translation>Konvertierung anhalten</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove </source>
        <translation>&amp;Entfernen </translation>
    </message>
    <message>
        <source>&amp;Remove all</source>
        <translation>A&amp;lle entfernen</translation>
    </message>
    <message>
        <source>&amp;Split file</source>
        <translation>Datei &amp;schneiden</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Abspielen</translation>
    </message>
    <message>
        <source>  &amp;File  </source>
        <translation>  &amp;Datei  </translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>&amp;Remove All</source>
        <translation>&amp;Alle entfernen</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>  &amp;Edit  </source>
        <translation>  &amp;Bearbeiten  </translation>
    </message>
    <message>
        <source>&amp;Check All</source>
        <translation>Alle an&amp;kreuzen</translation>
    </message>
    <message>
        <source>&amp;UnCheck All</source>
        <translation>Alle Kreuze ent&amp;fernen</translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation>Nach &amp;oben</translation>
    </message>
    <message>
        <source>&amp;Down</source>
        <translation>Nach &amp;unten</translation>
    </message>
    <message>
        <source> &amp;Config </source>
        <translation> &amp;Einstellungen </translation>
    </message>
    <message>
        <source>  &amp;Help  </source>
        <translation>  &amp;Hilfe  </translation>
    </message>
</context>
<context>
    <name>MediaPlugin</name>
    <message>
        <source>The media detector %1. Without it no file can be read: the files added are reported as not decodable.</source>
        <translation>Die Medienerkennung %1. Ohne sie kann keine Datei gelesen werden: Die hinzugefügten Dateien werden als nicht dekodierbar gemeldet.</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Video Splitter</source>
        <translation>Video-Schnitt</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Ja</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nein</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Shut down</source>
        <translation>Herunterfahren</translation>
    </message>
</context>
<context>
    <name>OptionTree</name>
    <message>
        <source>No Item Selected</source>
        <translation>Kein Eintrag ausgewählt</translation>
    </message>
    <message>
        <source>Select an item to see its description.</source>
        <translation>Wählen Sie einen Eintrag, um seine Beschreibung zu sehen.</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>E&amp;infügen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>Alles a&amp;uswählen</translation>
    </message>
</context>
<context>
    <name>ParameterPanel</name>
    <message>
        <source>set the recording time</source>
        <translation>legt die Aufnahmedauer fest</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>set the start time offset</source>
        <translation>legt den Startversatz fest</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Startzeit</translation>
    </message>
    <message>
        <source>set the title</source>
        <translation>legt den Titel fest</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>set the timestamp</source>
        <translation>legt den Zeitstempel fest</translation>
    </message>
    <message>
        <source>Time stamp</source>
        <translation>Zeitstempel</translation>
    </message>
    <message>
        <source>set the author</source>
        <translation>legt den Autor fest</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>set the copyright</source>
        <translation>legt das Copyright fest</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Copyright</translation>
    </message>
    <message>
        <source>set the comment</source>
        <translation>legt den Kommentar fest</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>set the album</source>
        <translation>legt das Album fest</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>set video bitrate (in kbit/s)</source>
        <translation>legt die Videobitrate fest (in kbit/s)</translation>
    </message>
    <message>
        <source>Bit Rate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>set frame rate (Hz value, fraction or abbreviation)</source>
        <translation>legt die Bildrate fest (Wert in Hz, Bruch oder Kürzel)</translation>
    </message>
    <message>
        <source>Frame Rate</source>
        <translation>Bildrate</translation>
    </message>
    <message>
        <source>set frame size (WxH or abbreviation)</source>
        <translation>legt die Bildgröße fest (BxH oder Kürzel)</translation>
    </message>
    <message>
        <source>Video Size</source>
        <translation>Bildgröße</translation>
    </message>
    <message>
        <source>set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)</source>
        <translation>legt das Seitenverhältnis fest (4:3, 16:9 oder 1.3333, 1.7777)</translation>
    </message>
    <message>
        <source>Aspect</source>
        <translation>Seitenverhältnis</translation>
    </message>
    <message>
        <source>disable video</source>
        <translation>schaltet das Video ab</translation>
    </message>
    <message>
        <source>Disable Video</source>
        <translation>Video aus</translation>
    </message>
    <message>
        <source>force video codec (&apos;copy&apos; to copy stream)</source>
        <translation>erzwingt den Videocodec (&apos;copy&apos; kopiert den Datenstrom)</translation>
    </message>
    <message>
        <source>Video Codec</source>
        <translation>Videocodec</translation>
    </message>
    <message>
        <source>set audio bitrate (in kbit/s)</source>
        <translation>legt die Audiobitrate fest (in kbit/s)</translation>
    </message>
    <message>
        <source>set audio sampling rate (in Hz)</source>
        <translation>legt die Abtastrate fest (in Hz)</translation>
    </message>
    <message>
        <source>Sample Rate</source>
        <translation>Abtastrate</translation>
    </message>
    <message>
        <source>set number of audio channels</source>
        <translation>legt die Zahl der Tonkanäle fest</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Kanäle</translation>
    </message>
    <message>
        <source>disable audio</source>
        <translation>schaltet den Ton ab</translation>
    </message>
    <message>
        <source>Disable Audio</source>
        <translation>Ton aus</translation>
    </message>
    <message>
        <source>force audio codec (&apos;copy&apos; to copy stream)</source>
        <translation>erzwingt den Audiocodec (&apos;copy&apos; kopiert den Datenstrom)</translation>
    </message>
    <message>
        <source>Audio Codec</source>
        <translation>Audiocodec</translation>
    </message>
    <message>
        <source>set television standard (NTSC, PAL (SECAM))</source>
        <translation>legt die Fernsehnorm fest (NTSC, PAL (SECAM))</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Norm</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>General Options</source>
        <translation>Allgemeine Einstellungen</translation>
    </message>
    <message>
        <source>Video Options</source>
        <translation>Videoeinstellungen</translation>
    </message>
    <message>
        <source>Audio Options</source>
        <translation>Audioeinstellungen</translation>
    </message>
</context>
<context>
    <name>PlayerPlugin</name>
    <message>
        <source>The preview is unavailable: the player %1.</source>
        <translation>Die Vorschau ist nicht verfügbar: Der Player %1.</translation>
    </message>
</context>
<context>
    <name>Plugin</name>
    <message>
        <source>&quot;%1&quot; cannot be loaded: %2</source>
        <translation>&quot;%1&quot; kann nicht geladen werden: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a plugin of this version of the program</source>
        <translation>&quot;%1&quot; ist kein Plugin dieser Programmversion</translation>
    </message>
</context>
<context>
    <name>PresetHealth</name>
    <message>
        <source>FFmpeg on this system has no encoder %1 (%2)</source>
        <translation>FFmpeg hat auf diesem System keinen Encoder %1 (%2)</translation>
    </message>
    <message>
        <source>FFmpeg on this system cannot write the %1 container</source>
        <translation>FFmpeg kann auf diesem System den Container %1 nicht schreiben</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Shut down now</source>
        <translation>Jetzt herunterfahren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>RunReport</name>
    <message>
        <source>the converter was ended by a signal</source>
        <translation>der Konverter wurde durch ein Signal beendet</translation>
    </message>
    <message>
        <source>the disk of the output folder is full (No space left on device)</source>
        <translation>der Datenträger des Ausgabeordners ist voll (No space left on device)</translation>
    </message>
    <message>
        <source>the source has no stream this profile converts (an audio profile needs an audio stream, a video profile a picture)</source>
        <translation>die Quelle hat keinen Datenstrom, den dieses Profil konvertiert (ein Audioprofil braucht eine Tonspur, ein Videoprofil ein Bild)</translation>
    </message>
    <message>
        <source>the cut starts at or after its end</source>
        <translation>der Schnitt beginnt bei oder nach seinem Ende</translation>
    </message>
    <message>
        <source>nothing was converted: the cut starts at or after the end of the source</source>
        <translation>nichts wurde konvertiert: Der Schnitt beginnt beim oder nach dem Ende der Quelle</translation>
    </message>
    <message>
        <source>nothing was converted: the source is too short for one frame of this profile&apos;s encoder</source>
        <translation>nichts wurde konvertiert: Die Quelle ist zu kurz für ein Bild des Encoders dieses Profils</translation>
    </message>
    <message>
        <source>nothing was converted: the output would hold no picture and no sound</source>
        <translation>nichts wurde konvertiert: Die Ausgabe enthielte weder Bild noch Ton</translation>
    </message>
    <message>
        <source>the output would replace the source</source>
        <translation>die Ausgabe würde die Quelle ersetzen</translation>
    </message>
    <message>
        <source>the output folder is a file, not a folder</source>
        <translation>der Ausgabeordner ist eine Datei, kein Ordner</translation>
    </message>
    <message>
        <source>the output name is a folder</source>
        <translation>der Ausgabename ist ein Ordner</translation>
    </message>
    <message>
        <source>the source ended early: the output holds %1 of the %2 its header gives (is the file complete?)</source>
        <translation>die Quelle endete zu früh: Die Ausgabe enthält %1 der %2, die ihr Dateikopf angibt (ist die Datei vollständig?)</translation>
    </message>
    <message>
        <source>The converter failed: %1</source>
        <translation>Der Konverter ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>this profile&apos;s target has no command recipe</source>
        <translation>für das Ziel dieses Profils gibt es keine Befehlsvorlage</translation>
    </message>
    <message>
        <source>the converter&apos;s command could not be made (the trace file tells why)</source>
        <translation>der Befehl für den Konverter konnte nicht erstellt werden (die Protokolldatei sagt, warum)</translation>
    </message>
    <message>
        <source>stopped on request while converting; nothing was kept</source>
        <translation>während der Konvertierung auf Wunsch angehalten; nichts wurde behalten</translation>
    </message>
    <message>
        <source>the conversion could not be prepared</source>
        <translation>die Konvertierung konnte nicht vorbereitet werden</translation>
    </message>
    <message>
        <source>the converter could not be started</source>
        <translation>der Konverter konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>the converter could not be started: %1</source>
        <translation>der Konverter konnte nicht gestartet werden: %1</translation>
    </message>
    <message>
        <source>the conversion met an unexpected error</source>
        <translation>bei der Konvertierung trat ein unerwarteter Fehler auf</translation>
    </message>
    <message>
        <source>the converter was ended by a signal (%1)</source>
        <translation>der Konverter wurde durch ein Signal beendet (%1)</translation>
    </message>
    <message>
        <source>the converter failed with %1</source>
        <translation>der Konverter ist fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>nothing new was written to &quot;%1&quot;</source>
        <translation>nach &quot;%1&quot; wurde nichts Neues geschrieben</translation>
    </message>
    <message>
        <source>the converter&apos;s output could not be read</source>
        <translation>die Ausgabe des Konverters konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>the conversion failed (the trace file %1 tells why)</source>
        <translation>die Konvertierung ist fehlgeschlagen (die Protokolldatei %1 nennt den Grund)</translation>
    </message>
    <message>
        <source>the conversion failed (no trace file could be written)</source>
        <translation>die Konvertierung ist fehlgeschlagen (es konnte keine Protokolldatei geschrieben werden)</translation>
    </message>
    <message>
        <source>the output name part &quot;%1&quot; holds a path separator, which would put the output outside the output folder (a codec or extension value of the profile)</source>
        <translation>der Namensteil &quot;%1&quot; der Ausgabe enthält ein Pfadtrennzeichen, das die Ausgabe außerhalb des Ausgabeordners ablegen würde (ein Codec- oder Endungswert des Profils)</translation>
    </message>
    <message>
        <source>the output name part &quot;%1&quot; holds a zero byte, which would put the output outside the output folder (a codec or extension value of the profile)</source>
        <translation>der Namensteil &quot;%1&quot; der Ausgabe enthält ein Nullbyte, das die Ausgabe außerhalb des Ausgabeordners ablegen würde (ein Codec- oder Endungswert des Profils)</translation>
    </message>
    <message>
        <source>the output name &quot;%1&quot; names no file in the output folder</source>
        <translation>der Ausgabename &quot;%1&quot; bezeichnet keine Datei im Ausgabeordner</translation>
    </message>
    <message>
        <source>RealMedia producer: %1 stopped on request</source>
        <translation>RealMedia-Erzeuger: %1 auf Anforderung angehalten</translation>
    </message>
    <message>
        <source>RealMedia producer: %1 failed (status %2)</source>
        <translation>RealMedia-Erzeuger: %1 fehlgeschlagen (Status %2)</translation>
    </message>
</context>
<context>
    <name>StartupChecks</name>
    <message>
        <source> or </source>
        <translation> oder </translation>
    </message>
    <message>
        <source>The profile &quot;%1&quot; cannot be used here: %2. Choose another profile for that file.</source>
        <translation>Das Profil &quot;%1&quot; kann hier nicht verwendet werden: %2. Wählen Sie für diese Datei ein anderes Profil.</translation>
    </message>
    <message>
        <source>The converter &quot;%1&quot; is missing or cannot be run, so no file can be converted. Please reinstall the program.</source>
        <translation>Der Konverter &quot;%1&quot; fehlt oder lässt sich nicht ausführen, daher kann keine Datei konvertiert werden. Bitte installieren Sie das Programm neu.</translation>
    </message>
    <message>
        <source>FFmpeg, which does the conversions, could not be run (%1). Please install it (Debian package &quot;ffmpeg&quot;).</source>
        <translation>FFmpeg, das die Konvertierungen ausführt, konnte nicht gestartet werden (%1). Bitte installieren Sie es (Debian-Paket &quot;ffmpeg&quot;).</translation>
    </message>
    <message>
        <source>No profiles were found in %1, so there is nothing to convert to. Please reinstall the program.</source>
        <translation>In %1 wurden keine Profile gefunden, daher gibt es kein Zielformat. Bitte installieren Sie das Programm neu.</translation>
    </message>
    <message>
        <source>the RealMedia producer library &quot;%1&quot; is missing</source>
        <translation>die RealMedia-Producer-Bibliothek &quot;%1&quot; fehlt</translation>
    </message>
</context>
<context>
    <name>VideoSplitter</name>
    <message>
        <source>Error time!</source>
        <translation>Ungültige Zeit!</translation>
    </message>
    <message>
        <source>Video Splitter</source>
        <translation>Video-Schnitt</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>The part to convert is empty: End must be later than Start.</source>
        <translation>Der zu konvertierende Teil ist leer: Das Ende muss nach dem Anfang liegen.</translation>
    </message>
    <message>
        <source>Start %1 lies outside the clip; %2 is used.</source>
        <translation>Anfang %1 liegt außerhalb der Datei; %2 wird verwendet.</translation>
    </message>
    <message>
        <source>End %1 lies outside the clip; %2 is used.</source>
        <translation>Ende %1 liegt außerhalb der Datei; %2 wird verwendet.</translation>
    </message>
</context>
</TS>
