<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Dialogs</name>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>Bestätigen</translation>
    </message>
    <message>
        <source>Do you want to move &quot;%1&quot; to the Trash?</source>
        <translation>Möchten Sie „%1“ in den Papierkorb verschieben?</translation>
    </message>
    <message>
        <source>Unable to move &quot;%1&quot; to the Trash.</source>
        <translation>„%1“ konnte nicht in den Papierkorb verschoben werden.</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>A&amp;lle</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
</context>
<context>
    <name>FrmAbout</name>
    <message>
        <source>About Parcelix</source>
        <translation>Über Parcelix</translation>
    </message>
    <message>
        <source>Parcelix Compression Utility</source>
        <translation>Parcelix Komprimierungsprogramm</translation>
    </message>
    <message>
        <source>Version 2.0</source>
        <translation>Version 2.0</translation>
    </message>
    <message>
        <source>Written by the Parcelix team</source>
        <translation>Geschrieben vom Parcelix-Team</translation>
    </message>
    <message>
        <source>Parcelix developers</source>
        <translation>Die Parcelix-Entwickler</translation>
    </message>
    <message>
        <source>ZIP archives made simple</source>
        <translation>ZIP-Archive ganz einfach</translation>
    </message>
    <message>
        <source>Built with Qt, zlib and libdeflate</source>
        <translation>Erstellt mit Qt, zlib und libdeflate</translation>
    </message>
    <message>
        <source>Questions and reports: see README.TXT</source>
        <translation>Fragen und Fehlermeldungen: siehe README.TXT</translation>
    </message>
    <message>
        <source>Thank you for using Parcelix</source>
        <translation>Vielen Dank, dass Sie Parcelix verwenden</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>FrmArchiveInfo</name>
    <message>
        <source>Archive Information</source>
        <translation>Archivinformationen</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>Datei:</translation>
    </message>
    <message>
        <source>File Size:</source>
        <translation>Dateigröße:</translation>
    </message>
    <message>
        <source>Files:</source>
        <translation>Dateien:</translation>
    </message>
    <message>
        <source>Compression:</source>
        <translation>Komprimierung:</translation>
    </message>
    <message>
        <source>File Date/Time:</source>
        <translation>Datum/Uhrzeit:</translation>
    </message>
    <message>
        <source>Comment:</source>
        <translation>Kommentar:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>FrmBrowse</name>
    <message>
        <source>Parcelix Archive Browser</source>
        <translation>Parcelix Archivbrowser</translation>
    </message>
    <message>
        <source>Select Archive Directory to Browse</source>
        <translation>Verzeichnis mit Archiven zum Durchsuchen auswählen</translation>
    </message>
    <message>
        <source>Open the Selected Archive </source>
        <translation>Das ausgewählte Archiv öffnen </translation>
    </message>
</context>
<context>
    <name>FrmConfiguration</name>
    <message>
        <source>Parcelix Configuration</source>
        <translation>Parcelix-Einstellungen</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>&amp;Settings:</source>
        <translation>&amp;Einstellungen:</translation>
    </message>
    <message>
        <source>&amp;Always on Top</source>
        <translation>Immer im &amp;Vordergrund</translation>
    </message>
    <message>
        <source>Use &amp;Temp File during Add and Delete Options</source>
        <translation>&amp;Temporäre Datei beim Hinzufügen und Löschen verwenden</translation>
    </message>
    <message>
        <source>Temp &amp;File Folder:</source>
        <translation>&amp;Ordner für temporäre Dateien:</translation>
    </message>
    <message>
        <source>Confirm &amp;When:</source>
        <translation>&amp;Bestätigen bei:</translation>
    </message>
    <message>
        <source>Remove Button Pressed</source>
        <translation>Klick auf „Entfernen“</translation>
    </message>
    <message>
        <source>Add Button Pressed</source>
        <translation>Klick auf „Hinzufügen“</translation>
    </message>
    <message>
        <source>Extract Button Pressed</source>
        <translation>Klick auf „Entpacken“</translation>
    </message>
    <message>
        <source>Compression &amp;Level:</source>
        <translation>&amp;Kompressionsstufe:</translation>
    </message>
    <message>
        <source>0 (Stored)</source>
        <translation>0 (Speichern)</translation>
    </message>
    <message>
        <source>8 (Highest)</source>
        <translation>8 (Höchste)</translation>
    </message>
    <message>
        <source>Add Options</source>
        <translation>Beim Hinzufügen</translation>
    </message>
    <message>
        <source>Clear Disks on Multiple &amp;Disk Archive</source>
        <translation>&amp;Datenträger bei mehrteiligen Archiven leeren</translation>
    </message>
    <message>
        <source>Include &amp;Hidden Files</source>
        <translation>&amp;Versteckte Dateien einschließen</translation>
    </message>
    <message>
        <source>Remove &amp;Files </source>
        <translation>&amp;Quelldateien entfernen </translation>
    </message>
    <message>
        <source>&amp;Store Folder Path in Archive</source>
        <translation>&amp;Ordnerpfad im Archiv speichern</translation>
    </message>
    <message>
        <source>&amp;Recurse Folders into Archive</source>
        <translation>&amp;Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Store Files with &amp;Extensions:</source>
        <translation>Ohne Kompression speichern bei &amp;Endungen:</translation>
    </message>
    <message>
        <source>Extract Options</source>
        <translation>Beim Entpacken</translation>
    </message>
    <message>
        <source>&amp;Extract Options:</source>
        <translation>&amp;Optionen beim Entpacken:</translation>
    </message>
    <message>
        <source>Overwrite Existing File &amp;Method:</source>
        <translation>&amp;Vorhandene Dateien überschreiben:</translation>
    </message>
    <message>
        <source>Never Overwrite</source>
        <translation>Nie überschreiben</translation>
    </message>
    <message>
        <source>Always Overwrite</source>
        <translation>Immer überschreiben</translation>
    </message>
    <message>
        <source>Prompt User</source>
        <translation>Nachfragen</translation>
    </message>
    <message>
        <source>&amp;Default Extract Folder:</source>
        <translation>&amp;Standardordner zum Entpacken:</translation>
    </message>
    <message>
        <source>E&amp;xtract Method:</source>
        <translation>Entpack&amp;methode:</translation>
    </message>
    <message>
        <source>Extract All</source>
        <translation>Alle entpacken</translation>
    </message>
    <message>
        <source>Freshen</source>
        <translation>Auffrischen</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Extract Files to &amp;Stored Folder</source>
        <translation>Gespeicherte &amp;Pfade beim Entpacken verwenden</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Kennwort</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>Kennwort:</translation>
    </message>
    <message>
        <source>The password will be used to encrypt any new files added to an archive and to unencrypt files in the archive that are password encrypted.  Leave the password blank if you desire no file encryption.  The password can be up to 80 characters.</source>
        <translation>Das Kennwort wird verwendet, um neu zu einem Archiv hinzugefügte Dateien zu verschlüsseln und mit Kennwort verschlüsselte Dateien im Archiv zu entschlüsseln.  Lassen Sie das Kennwort leer, wenn Sie keine Verschlüsselung wünschen.  Das Kennwort kann bis zu 80 Zeichen lang sein.</translation>
    </message>
    <message>
        <source>Stored &amp;Password for Files:</source>
        <translation>Gespeichertes &amp;Kennwort für Dateien:</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>Weiteres</translation>
    </message>
    <message>
        <source>&amp;Mouse Double Click Action:</source>
        <translation>Aktion bei &amp;Doppelklick:</translation>
    </message>
    <message>
        <source>Select Action for Parcelix to Perform when you Double Click on a File in an Archive</source>
        <translation>Wählen Sie, was Parcelix bei einem Doppelklick auf eine Datei im Archiv tun soll</translation>
    </message>
    <message>
        <source>&amp;View the File</source>
        <translation>Datei &amp;anzeigen</translation>
    </message>
    <message>
        <source>&amp;Extract the File from the Archive</source>
        <translation>Datei aus dem Archiv &amp;entpacken</translation>
    </message>
    <message>
        <source>&amp;Remove the File from the Archive</source>
        <translation>Datei aus dem Archiv ent&amp;fernen</translation>
    </message>
    <message>
        <source>Close Archive &amp;Browser after opening an Archive</source>
        <translation>Archiv&amp;browser nach dem Öffnen eines Archivs schließen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Encryption:</source>
        <translation>&amp;Verschlüsselung:</translation>
    </message>
    <message>
        <source>How new entries are encrypted with the stored password</source>
        <translation>Wie neue Einträge mit dem gespeicherten Kennwort verschlüsselt werden</translation>
    </message>
    <message>
        <source>AES-256</source>
        <translation>AES-256</translation>
    </message>
    <message>
        <source>Traditional (for old unzip programs)</source>
        <translation>Herkömmlich (für alte Entpackprogramme)</translation>
    </message>
</context>
<context>
    <name>FrmCreateGroup</name>
    <message>
        <source>Create Program Group</source>
        <translation>Programmgruppe erstellen</translation>
    </message>
    <message>
        <source>This option will extract all files within this archive to the selected directory.  It will also create a windows program group and add an icon representing each file in the archive.  Select the name of the windows program group to create.</source>
        <translation>Diese Funktion entpackt alle Dateien dieses Archivs in das ausgewählte Verzeichnis.  Außerdem erstellt sie eine Programmgruppe und fügt für jede Datei im Archiv ein Symbol hinzu.  Wählen Sie den Namen der Programmgruppe, die erstellt werden soll.</translation>
    </message>
    <message>
        <source>Extract to Folder:</source>
        <translation>Entpacken in Ordner:</translation>
    </message>
    <message>
        <source>Program Group Name:</source>
        <translation>Name der Programmgruppe:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>HelpFile</name>
    <message>
        <source>no such file</source>
        <translation>Datei nicht vorhanden</translation>
    </message>
    <message>
        <source>the file is too large</source>
        <translation>die Datei ist zu groß</translation>
    </message>
    <message>
        <source>the file is not UTF-8 text</source>
        <translation>die Datei ist kein UTF-8-Text</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>Zeile %1: %2</translation>
    </message>
    <message>
        <source>this is not a Parcelix help file</source>
        <translation>dies ist keine Parcelix-Hilfedatei</translation>
    </message>
    <message>
        <source>topic %1 has no end</source>
        <translation>Thema %1 hat kein Ende</translation>
    </message>
    <message>
        <source>bad topic number</source>
        <translation>ungültige Themennummer</translation>
    </message>
    <message>
        <source>topic %1 appears twice</source>
        <translation>Thema %1 kommt zweimal vor</translation>
    </message>
    <message>
        <source>unknown line &quot;%1&quot;</source>
        <translation>unbekannte Zeile „%1“</translation>
    </message>
    <message>
        <source>bad contents line</source>
        <translation>ungültige Zeile im Inhaltsverzeichnis</translation>
    </message>
    <message>
        <source>contents level skips a step</source>
        <translation>eine Ebene im Inhaltsverzeichnis wird übersprungen</translation>
    </message>
    <message>
        <source>bad index line</source>
        <translation>ungültige Zeile im Index</translation>
    </message>
    <message>
        <source>text outside a topic</source>
        <translation>Text außerhalb eines Themas</translation>
    </message>
</context>
<context>
    <name>MainFormFm</name>
    <message>
        <source>Untitled - Parcelix for Windows 95</source>
        <translation>Unbenannt - Parcelix für Windows 95</translation>
    </message>
    <message>
        <source>New ZIP</source>
        <translation>Neues ZIP</translation>
    </message>
    <message>
        <source>Create a new ZIP file</source>
        <translation>Eine neue ZIP-Datei erstellen</translation>
    </message>
    <message>
        <source>Open ZIP</source>
        <translation>ZIP öffnen</translation>
    </message>
    <message>
        <source>Open an existing ZIP file</source>
        <translation>Eine vorhandene ZIP-Datei öffnen</translation>
    </message>
    <message>
        <source>Close ZIP</source>
        <translation>ZIP schließen</translation>
    </message>
    <message>
        <source>Close the open ZIP file</source>
        <translation>Die geöffnete ZIP-Datei schließen</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add files to the open ZIP file</source>
        <translation>Dateien zur geöffneten ZIP-Datei hinzufügen</translation>
    </message>
    <message>
        <source>Extract</source>
        <translation>Entpacken</translation>
    </message>
    <message>
        <source>Extract files from the open ZIP file</source>
        <translation>Dateien aus der geöffneten ZIP-Datei entpacken</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove files from the open ZIP file</source>
        <translation>Dateien aus der geöffneten ZIP-Datei entfernen</translation>
    </message>
    <message>
        <source>View File</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>View the contents of the selected file</source>
        <translation>Den Inhalt der ausgewählten Datei anzeigen</translation>
    </message>
    <message>
        <source>Configure</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Configure Parcelix</source>
        <translation>Parcelix einrichten</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Abort the current process</source>
        <translation>Den laufenden Vorgang abbrechen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Fix Archive...</source>
        <translation>Archiv &amp;reparieren...</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Symbolleiste</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;New Archive...</source>
        <translation>&amp;Neues Archiv...</translation>
    </message>
    <message>
        <source>Create a new Archive file.</source>
        <translation>Eine neue Archivdatei erstellen.</translation>
    </message>
    <message>
        <source>Ctrl+N</source>
        <translation>Ctrl+N</translation>
    </message>
    <message>
        <source>&amp;Open Archive...</source>
        <translation>Archiv ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Open an existing Archive file.</source>
        <translation>Eine vorhandene Archivdatei öffnen.</translation>
    </message>
    <message>
        <source>Ctrl+O</source>
        <translation>Ctrl+O</translation>
    </message>
    <message>
        <source>&amp;Close Archive...</source>
        <translation>Archiv &amp;schließen...</translation>
    </message>
    <message>
        <source>Close current Archive file.</source>
        <translation>Die aktuelle Archivdatei schließen.</translation>
    </message>
    <message>
        <source>Ctrl+C</source>
        <translation>Ctrl+C</translation>
    </message>
    <message>
        <source>Copy &amp;Archive...</source>
        <translation>Archiv &amp;kopieren...</translation>
    </message>
    <message>
        <source>Copy the Open Archive</source>
        <translation>Das geöffnete Archiv kopieren</translation>
    </message>
    <message>
        <source>&amp;Rename Archive...</source>
        <translation>Archiv &amp;umbenennen...</translation>
    </message>
    <message>
        <source>Rename or move the Open Archive </source>
        <translation>Das geöffnete Archiv umbenennen oder verschieben </translation>
    </message>
    <message>
        <source>&amp;Delete Archive...</source>
        <translation>Archiv &amp;löschen...</translation>
    </message>
    <message>
        <source>Delete the Open Archive file</source>
        <translation>Die geöffnete Archivdatei löschen</translation>
    </message>
    <message>
        <source>&amp;Browse Archives...</source>
        <translation>Archive &amp;durchsuchen...</translation>
    </message>
    <message>
        <source>Browse Comments for Archived Files</source>
        <translation>Die Kommentare von Archivdateien durchsehen</translation>
    </message>
    <message>
        <source>Archive &amp;Information</source>
        <translation>Archiv&amp;informationen</translation>
    </message>
    <message>
        <source>View Archive information</source>
        <translation>Informationen zum Archiv anzeigen</translation>
    </message>
    <message>
        <source>&amp;Test Archive...</source>
        <translation>Archiv &amp;testen...</translation>
    </message>
    <message>
        <source>Test the selected Archive file</source>
        <translation>Die ausgewählte Archivdatei testen</translation>
    </message>
    <message>
        <source>&amp;Normal</source>
        <translation>&amp;Normal</translation>
    </message>
    <message>
        <source>Fix an Archive file with the normal option</source>
        <translation>Eine Archivdatei normal reparieren</translation>
    </message>
    <message>
        <source>&amp;Agressive</source>
        <translation>&amp;Aggressiv</translation>
    </message>
    <message>
        <source>Fix an Archive file with the Agressive option</source>
        <translation>Eine Archivdatei aggressiv reparieren</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Close Parcelix</source>
        <translation>Parcelix beenden</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>Add files to current Archive file.</source>
        <translation>Dateien zur aktuellen Archivdatei hinzufügen.</translation>
    </message>
    <message>
        <source>Ctrl+A</source>
        <translation>Ctrl+A</translation>
    </message>
    <message>
        <source>&amp;Remove...</source>
        <translation>&amp;Entfernen...</translation>
    </message>
    <message>
        <source>Remove selected files from current Archive file.</source>
        <translation>Die ausgewählten Dateien aus der aktuellen Archivdatei entfernen.</translation>
    </message>
    <message>
        <source>Ctrl+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>&amp;Extract...</source>
        <translation>Ent&amp;packen...</translation>
    </message>
    <message>
        <source>Extract selected files from current Archive file.</source>
        <translation>Die ausgewählten Dateien aus der aktuellen Archivdatei entpacken.</translation>
    </message>
    <message>
        <source>Ctrl+E</source>
        <translation>Ctrl+E</translation>
    </message>
    <message>
        <source>&amp;View </source>
        <translation>An&amp;zeigen </translation>
    </message>
    <message>
        <source>View or Run selected file</source>
        <translation>Die ausgewählte Datei anzeigen oder ausführen</translation>
    </message>
    <message>
        <source>Ctrl+V</source>
        <translation>Ctrl+V</translation>
    </message>
    <message>
        <source>&amp;Update...</source>
        <translation>Akt&amp;ualisieren...</translation>
    </message>
    <message>
        <source>Update selected files in the current Archive file.</source>
        <translation>Die ausgewählten Dateien in der aktuellen Archivdatei aktualisieren.</translation>
    </message>
    <message>
        <source>Ctrl+U</source>
        <translation>Ctrl+U</translation>
    </message>
    <message>
        <source>Add Co&amp;mment...</source>
        <translation>&amp;Kommentar hinzufügen...</translation>
    </message>
    <message>
        <source>Add a Comment to Archive File</source>
        <translation>Der Archivdatei einen Kommentar hinzufügen</translation>
    </message>
    <message>
        <source>Create &amp;Group...</source>
        <translation>&amp;Gruppe erstellen...</translation>
    </message>
    <message>
        <source>Create Windows Program Group &amp; Icons</source>
        <translation>Programmgruppe und Symbole erstellen</translation>
    </message>
    <message>
        <source>Ctrl+G</source>
        <translation>Ctrl+G</translation>
    </message>
    <message>
        <source>Up&amp;date Archive Date</source>
        <translation>Archiv&amp;datum aktualisieren</translation>
    </message>
    <message>
        <source>Update the file date of the current Archive file.</source>
        <translation>Das Dateidatum der aktuellen Archivdatei aktualisieren.</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>&amp;Alle auswählen</translation>
    </message>
    <message>
        <source>Select all the files in the Archive file.</source>
        <translation>Alle Dateien in der Archivdatei auswählen.</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>&amp;Deselect All</source>
        <translation>Alle a&amp;bwählen</translation>
    </message>
    <message>
        <source>Deselect all the files in the Archive file</source>
        <translation>Die Auswahl aller Dateien in der Archivdatei aufheben</translation>
    </message>
    <message>
        <source>Ctrl+D</source>
        <translation>Ctrl+D</translation>
    </message>
    <message>
        <source>Display Buttons</source>
        <translation>Schaltflächen anzeigen</translation>
    </message>
    <message>
        <source>Text Labels</source>
        <translation>Beschriftungen</translation>
    </message>
    <message>
        <source>Status bar</source>
        <translation>Statusleiste</translation>
    </message>
    <message>
        <source>Sort by Name</source>
        <translation>Nach Name sortieren</translation>
    </message>
    <message>
        <source>Sort by Date</source>
        <translation>Nach Datum sortieren</translation>
    </message>
    <message>
        <source>Sort by Time</source>
        <translation>Nach Uhrzeit sortieren</translation>
    </message>
    <message>
        <source>Sort by Size</source>
        <translation>Nach Größe sortieren</translation>
    </message>
    <message>
        <source>Sort by Packed Size</source>
        <translation>Nach gepackter Größe sortieren</translation>
    </message>
    <message>
        <source>Sort by Ratio</source>
        <translation>Nach Kompressionsrate sortieren</translation>
    </message>
    <message>
        <source>Sort by Path</source>
        <translation>Nach Pfad sortieren</translation>
    </message>
    <message>
        <source>&amp;Configuration...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>&amp;Multidisk mode</source>
        <translation>&amp;Mehrdatenträger-Modus</translation>
    </message>
    <message>
        <source>Allow files to span multiple disks.</source>
        <translation>Dateien dürfen sich über mehrere Datenträger erstrecken.</translation>
    </message>
    <message>
        <source>&amp;Save Settings on &amp;Exit</source>
        <translation>Einstellungen beim Beenden &amp;speichern</translation>
    </message>
    <message>
        <source>Save Parcelix configuration upon exit</source>
        <translation>Die Einstellungen von Parcelix beim Beenden speichern</translation>
    </message>
    <message>
        <source>Save Settings &amp;Now</source>
        <translation>Einstellungen &amp;jetzt speichern</translation>
    </message>
    <message>
        <source>Save current settings Now</source>
        <translation>Die aktuellen Einstellungen jetzt speichern</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>Display Contents of Parcelix Help</source>
        <translation>Das Inhaltsverzeichnis der Parcelix-Hilfe anzeigen</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>&amp;Search for Help On...</source>
        <translation>Hilfe &amp;suchen zu...</translation>
    </message>
    <message>
        <source>Search Help for selected topic</source>
        <translation>Die Hilfe nach einem Thema durchsuchen</translation>
    </message>
    <message>
        <source>&amp;How to Use Help</source>
        <translation>&amp;Verwenden der Hilfe</translation>
    </message>
    <message>
        <source>Information on using Windows help </source>
        <translation>Informationen zur Verwendung der Hilfe </translation>
    </message>
    <message>
        <source>&amp;Quick Start Tutorial</source>
        <translation>Sch&amp;nelleinstieg</translation>
    </message>
    <message>
        <source>Displays Parcelix Quick Start Tutorial</source>
        <translation>Zeigt den Schnelleinstieg in Parcelix an</translation>
    </message>
    <message>
        <source>&amp;Read Me File</source>
        <translation>&amp;Liesmich-Datei</translation>
    </message>
    <message>
        <source>Additional information on Parcelix</source>
        <translation>Weitere Informationen zu Parcelix</translation>
    </message>
    <message>
        <source>&amp;About Parcelix...</source>
        <translation>Ü&amp;ber Parcelix...</translation>
    </message>
    <message>
        <source>Show the version of Parcelix and who made it</source>
        <translation>Die Version von Parcelix und ihre Urheber anzeigen</translation>
    </message>
    <message>
        <source>&amp;Add File</source>
        <translation>Datei &amp;hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove File</source>
        <translation>Datei &amp;entfernen</translation>
    </message>
    <message>
        <source>&amp;Extract File</source>
        <translation>Datei ent&amp;packen</translation>
    </message>
    <message>
        <source>&amp;View File </source>
        <translation>Datei an&amp;zeigen </translation>
    </message>
    <message>
        <source>&amp;New Archive</source>
        <translation>&amp;Neues Archiv</translation>
    </message>
    <message>
        <source>&amp;Open Archive</source>
        <translation>Archiv ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Close Archive</source>
        <translation>Archiv &amp;schließen</translation>
    </message>
    <message>
        <source>Select All Files in the Archive</source>
        <translation>Alle Dateien im Archiv auswählen</translation>
    </message>
    <message>
        <source>Deselect All Files in the Archive</source>
        <translation>Die Auswahl aller Dateien im Archiv aufheben</translation>
    </message>
</context>
<context>
    <name>ResultReporting</name>
    <message>
        <source>Some files were skipped while %1.</source>
        <translation>Beim %1 wurden einige Dateien übersprungen.</translation>
    </message>
    <message>
        <source>Could not find the archive file.</source>
        <translation>Die Archivdatei wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>The archive file is corrupted. Try using the Fix option on it.</source>
        <translation>Die Archivdatei ist beschädigt. Versuchen Sie, sie mit „Archiv reparieren“ zu reparieren.</translation>
    </message>
    <message>
        <source>Ran out of memory while %1.</source>
        <translation>Beim %1 ist der Arbeitsspeicher ausgegangen.</translation>
    </message>
    <message>
        <source>Disk full while %1.</source>
        <translation>Beim %1 wurde der Datenträger voll.</translation>
    </message>
    <message>
        <source>Another application is currently performing a similar task. Wait until the other application has completed its operation.</source>
        <translation>Eine andere Anwendung führt gerade eine ähnliche Aufgabe aus. Warten Sie, bis die andere Anwendung ihren Vorgang abgeschlossen hat.</translation>
    </message>
    <message>
        <source>The %1 operation was aborted.</source>
        <translation>Der Vorgang „%1“ wurde abgebrochen.</translation>
    </message>
    <message>
        <source>Test failed - Errors in the archive.</source>
        <translation>Test fehlgeschlagen - Fehler im Archiv.</translation>
    </message>
    <message>
        <source>No files ended up being tested in the archive.</source>
        <translation>Im Archiv wurden keine Dateien getestet.</translation>
    </message>
    <message>
        <source>The ZIPENG.DLL or the UNZENG.DLL file could not be found.</source>
        <translation>Die Datei ZIPENG.DLL oder UNZENG.DLL wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Problem with the temporary file.</source>
        <translation>Problem mit der temporären Datei.</translation>
    </message>
    <message>
        <source>Attempt to remove parent directory.</source>
        <translation>Versuch, das übergeordnete Verzeichnis zu entfernen.</translation>
    </message>
    <message>
        <source>Names repeated in archive after discarding pathnames.</source>
        <translation>Nach dem Verwerfen der Pfadnamen kommen Namen im Archiv mehrfach vor.</translation>
    </message>
    <message>
        <source>Could not update the Zip archive date. Archive only contains directories or is empty.</source>
        <translation>Das Datum des ZIP-Archivs konnte nicht aktualisiert werden. Das Archiv enthält nur Verzeichnisse oder ist leer.</translation>
    </message>
    <message>
        <source>Could not access the Zip file or one of the files to process.</source>
        <translation>Auf die ZIP-Datei oder eine der zu verarbeitenden Dateien konnte nicht zugegriffen werden.</translation>
    </message>
    <message>
        <source>Attempt to work with a multiple-disk Zip archive, but not in multidisk mode.</source>
        <translation>Versuch, mit einem mehrteiligen ZIP-Archiv zu arbeiten, ohne dass der Mehrdatenträger-Modus eingeschaltet ist.</translation>
    </message>
    <message>
        <source>An error occured while %1 the specified files.</source>
        <translation>Beim %1 ist bei den angegebenen Dateien ein Fehler aufgetreten.</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>Unable to write to %1</source>
        <translation>In %1 kann nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>TActionProgress</name>
    <message>
        <source>Abort</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TActionRunner</name>
    <message>
        <source>The file &quot;%1&quot; already exists. Do you want to replace this file?</source>
        <translation>Die Datei „%1“ ist bereits vorhanden. Möchten Sie sie ersetzen?</translation>
    </message>
    <message>
        <source>The password for &quot;%1&quot; is not correct. Enter it again:</source>
        <translation>Das Kennwort für „%1“ ist nicht richtig. Geben Sie es erneut ein:</translation>
    </message>
    <message>
        <source>Enter the password for &quot;%1&quot;:</source>
        <translation>Geben Sie das Kennwort für „%1“ ein:</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Kennwort</translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists. Save the new archive as</source>
        <translation>„%1“ ist bereits vorhanden. Das neue Archiv speichern unter</translation>
    </message>
    <message>
        <source>ZIP archives (*.zip);;All files (*)</source>
        <translation>ZIP-Archive (*.zip);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Compressing into &quot;%1&quot;</source>
        <translation>Komprimieren in „%1“</translation>
    </message>
    <message>
        <source>Unable to create a folder in &quot;%1&quot;: %2.</source>
        <translation>In „%1“ kann kein Ordner erstellt werden: %2.</translation>
    </message>
    <message>
        <source>Unable to replace &quot;%1&quot;: %2.</source>
        <translation>„%1“ kann nicht ersetzt werden: %2.</translation>
    </message>
    <message>
        <source>adding</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>extracting</source>
        <translation>Entpacken</translation>
    </message>
    <message>
        <source>Unable to create the folder &quot;%1&quot;: %2.</source>
        <translation>Der Ordner „%1“ kann nicht erstellt werden: %2.</translation>
    </message>
    <message>
        <source>Unable to move &quot;%1&quot; into &quot;%2&quot;: %3.</source>
        <translation>„%1“ kann nicht nach „%2“ verschoben werden: %3.</translation>
    </message>
    <message>
        <source>Extracting &quot;%1&quot;</source>
        <translation>„%1“ wird entpackt</translation>
    </message>
    <message>
        <source>Extracting &quot;%1&quot; (%2 of %3)</source>
        <translation>„%1“ wird entpackt (%2 von %3)</translation>
    </message>
    <message>
        <source>Extract To</source>
        <translation>Entpacken nach</translation>
    </message>
    <message>
        <source>Unable to create the folder &quot;%1&quot;.</source>
        <translation>Der Ordner „%1“ kann nicht erstellt werden.</translation>
    </message>
</context>
<context>
    <name>TContentsModel</name>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Uhrzeit</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Packed</source>
        <translation>Gepackt</translation>
    </message>
    <message>
        <source>Ratio</source>
        <translation>Rate</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>Pfad</translation>
    </message>
    <message>
        <source>Encrypted: a password is needed to extract or view it</source>
        <translation>Verschlüsselt: Zum Entpacken oder Anzeigen wird ein Kennwort benötigt</translation>
    </message>
</context>
<context>
    <name>TFrmAbout</name>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>TFrmArchiveInfo</name>
    <message>
        <source>Unavailable</source>
        <translation>Nicht verfügbar</translation>
    </message>
</context>
<context>
    <name>TFrmBrowse</name>
    <message>
        <source>Archive Name</source>
        <translation>Archivname</translation>
    </message>
    <message>
        <source>Archive Comment</source>
        <translation>Archivkommentar</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Verzeichnis auswählen</translation>
    </message>
    <message>
        <source>Archives in %1</source>
        <translation>Archive in %1</translation>
    </message>
    <message>
        <source>Unable to read the folder &quot;%1&quot;: %2.</source>
        <translation>Der Ordner „%1“ kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Reading comments: %1 of %2</source>
        <translation>Kommentare werden gelesen: %1 von %2</translation>
    </message>
</context>
<context>
    <name>TFrmCreateGroup</name>
    <message>
        <source>Unable to create group.</source>
        <translation>Die Gruppe konnte nicht erstellt werden.</translation>
    </message>
    <message>
        <source> (its command is longer than 255 bytes)</source>
        <translation> (ihr Befehl ist länger als 255 Byte)</translation>
    </message>
    <message>
        <source> (the program group service did not add it)</source>
        <translation> (der Programmgruppendienst hat sie nicht hinzugefügt)</translation>
    </message>
    <message>
        <source>These files got no item in the program group &quot;%1&quot;:
%2</source>
        <translation>Diese Dateien haben keinen Eintrag in der Programmgruppe „%1“ erhalten:
%2</translation>
    </message>
</context>
<context>
    <name>TMainFormFm</name>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>You are about to Add one or more files to the %1 Archive file.  Are you sure you want to do this?</source>
        <translation>Sie sind dabei, der Archivdatei %1 eine oder mehrere Dateien hinzuzufügen.  Möchten Sie das wirklich tun?</translation>
    </message>
    <message>
        <source>Adding selected files.</source>
        <translation>Die ausgewählten Dateien werden hinzugefügt.</translation>
    </message>
    <message>
        <source>adding</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add operation completed.  To test the archive, you must close it first, then select the test option from the file menu.</source>
        <translation>Das Hinzufügen ist abgeschlossen.  Um das Archiv zu testen, schließen Sie es zuerst und wählen dann „Archiv testen“ im Menü „Datei“.</translation>
    </message>
    <message>
        <source>Updating files.</source>
        <translation>Dateien werden aktualisiert.</translation>
    </message>
    <message>
        <source>updating</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>You have chosen to Remove the selected file(s) from the %1 Archive file.  Are you sure you want to do this?</source>
        <translation>Sie haben gewählt, die ausgewählten Dateien aus der Archivdatei %1 zu entfernen.  Möchten Sie das wirklich tun?</translation>
    </message>
    <message>
        <source>Deleting selected files.</source>
        <translation>Die ausgewählten Dateien werden gelöscht.</translation>
    </message>
    <message>
        <source>deleting</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Adding &quot;%1&quot;.</source>
        <translation>„%1“ wird hinzugefügt.</translation>
    </message>
    <message>
        <source>Updating &quot;%1&quot;.</source>
        <translation>„%1“ wird aktualisiert.</translation>
    </message>
    <message>
        <source>Deleting &quot;%1&quot;.</source>
        <translation>„%1“ wird gelöscht.</translation>
    </message>
    <message>
        <source>Zip file (*.ZIP);;All files (*.*)</source>
        <translation>ZIP-Datei (*.ZIP);;Alle Dateien (*.*)</translation>
    </message>
    <message>
        <source>New Archive</source>
        <translation>Neues Archiv</translation>
    </message>
    <message>
        <source>Open Archive</source>
        <translation>Archiv öffnen</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; already exists. Do you want to replace this file?</source>
        <translation>Die Datei „%1“ ist bereits vorhanden. Möchten Sie sie ersetzen?</translation>
    </message>
    <message>
        <source>Copy Archive To</source>
        <translation>Archiv kopieren nach</translation>
    </message>
    <message>
        <source>copying</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Rename Archive To</source>
        <translation>Archiv umbenennen in</translation>
    </message>
    <message>
        <source>renaming</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>Are you sure you want to delete file<byte value="xd"/>&quot;%1&quot;?</source>
        <translation>Möchten Sie die Datei<byte value="xd"/>„%1“ wirklich löschen?</translation>
    </message>
    <message>
        <source>You must Open an existing Archive or Create a new one before adding files.  Do you want to create a new archive file?</source>
        <translation>Bevor Sie Dateien hinzufügen, müssen Sie ein vorhandenes Archiv öffnen oder ein neues erstellen.  Möchten Sie eine neue Archivdatei erstellen?</translation>
    </message>
    <message>
        <source>Are you sure you want to abort the current process?</source>
        <translation>Möchten Sie den laufenden Vorgang wirklich abbrechen?</translation>
    </message>
    <message>
        <source>file not found.</source>
        <translation>Datei nicht gefunden.</translation>
    </message>
    <message>
        <source>unknown compression.</source>
        <translation>unbekannte Komprimierung.</translation>
    </message>
    <message>
        <source>CRC does not check out.</source>
        <translation>CRC-Prüfsumme stimmt nicht.</translation>
    </message>
    <message>
        <source>file is already up to date.</source>
        <translation>Datei ist bereits aktuell.</translation>
    </message>
    <message>
        <source>unable to open file.</source>
        <translation>Datei kann nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>invalid or no password to decrypt file.</source>
        <translation>ungültiges oder fehlendes Kennwort zum Entschlüsseln der Datei.</translation>
    </message>
    <message>
        <source>file&apos;s compressed data is corrupted.</source>
        <translation>die komprimierten Daten der Datei sind beschädigt.</translation>
    </message>
    <message>
        <source>Test Archive</source>
        <translation>Archiv testen</translation>
    </message>
    <message>
        <source>Testing archive %1</source>
        <translation>Archiv %1 wird getestet</translation>
    </message>
    <message>
        <source>All files in the archive are OK.</source>
        <translation>Alle Dateien im Archiv sind in Ordnung.</translation>
    </message>
    <message>
        <source>All files tested in the archive are OK.<byte value="xd"/>(Some files were skipped)</source>
        <translation>Alle getesteten Dateien im Archiv sind in Ordnung.<byte value="xd"/>(Einige Dateien wurden übersprungen)</translation>
    </message>
    <message>
        <source>testing</source>
        <translation>Testen</translation>
    </message>
    <message>
        <source>The damaged original was moved to the Trash.</source>
        <translation>Das beschädigte Original wurde in den Papierkorb verschoben.</translation>
    </message>
    <message>
        <source>The damaged original was kept as &quot;%1&quot;.</source>
        <translation>Das beschädigte Original wurde als „%1“ aufbewahrt.</translation>
    </message>
    <message>
        <source>Fix Archive</source>
        <translation>Archiv reparieren</translation>
    </message>
    <message>
        <source>The specified Zip file has been fixed.</source>
        <translation>Die angegebene ZIP-Datei wurde repariert.</translation>
    </message>
    <message>
        <source>Some files were skipped while fixing.</source>
        <translation>Beim Reparieren wurden einige Dateien übersprungen.</translation>
    </message>
    <message>
        <source>The specified Zip file is too corrupted to be fixed.</source>
        <translation>Die angegebene ZIP-Datei ist zu stark beschädigt, um repariert zu werden.</translation>
    </message>
    <message>
        <source>fixing</source>
        <translation>Reparieren</translation>
    </message>
    <message>
        <source>Updating ZIP date.</source>
        <translation>ZIP-Datum wird aktualisiert.</translation>
    </message>
    <message>
        <source>updating zip date</source>
        <translation>Aktualisieren des ZIP-Datums</translation>
    </message>
    <message>
        <source>Testing &quot;%1&quot;.</source>
        <translation>„%1“ wird getestet.</translation>
    </message>
    <message>
        <source>Fixing &quot;%1&quot;.</source>
        <translation>„%1“ wird repariert.</translation>
    </message>
    <message>
        <source>File &quot;%1&quot; failed test: %2</source>
        <translation>Datei „%1“ hat den Test nicht bestanden: %2</translation>
    </message>
    <message>
        <source>Skipping &quot;%1&quot;, %2</source>
        <translation>„%1“ wird übersprungen, %2</translation>
    </message>
    <message>
        <source>Please insert the last disk of the set.</source>
        <translation>Bitte legen Sie den letzten Datenträger des Satzes ein.</translation>
    </message>
    <message>
        <source>Please insert disk #%1 of the set.</source>
        <translation>Bitte legen Sie Datenträger Nr. %1 des Satzes ein.</translation>
    </message>
    <message>
        <source>Reading %1 items...</source>
        <translation>%1 Einträge werden gelesen...</translation>
    </message>
    <message>
        <source>reading</source>
        <translation>Lesen</translation>
    </message>
    <message>
        <source>Unable to change to the folder &quot;%1&quot;: %2.</source>
        <translation>In den Ordner „%1“ kann nicht gewechselt werden: %2.</translation>
    </message>
    <message>
        <source>You are about to Extract the selected file(s) from the %1 Archive file.  The file(s) will be created on your disk drive.  Are you sure you want to do this?</source>
        <translation>Sie sind dabei, die ausgewählten Dateien aus der Archivdatei %1 zu entpacken.  Die Dateien werden auf Ihrem Laufwerk erstellt.  Möchten Sie das wirklich tun?</translation>
    </message>
    <message>
        <source>Select Directory</source>
        <translation>Verzeichnis auswählen</translation>
    </message>
    <message>
        <source>Unable to create the folder &quot;%1&quot;: %2.</source>
        <translation>Der Ordner „%1“ kann nicht erstellt werden: %2.</translation>
    </message>
    <message>
        <source>Extracting selected files.</source>
        <translation>Die ausgewählten Dateien werden entpackt.</translation>
    </message>
    <message>
        <source>extracting</source>
        <translation>Entpacken</translation>
    </message>
    <message>
        <source>Unable to create a folder in &quot;%1&quot;: %2.</source>
        <translation>In „%1“ kann kein Ordner erstellt werden: %2.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a program from the archive %2.  Running it lets it do anything you can do: read, change or delete your files.<byte value="xd"/>Do you want to run it?  (No opens it for viewing.)</source>
        <translation>„%1“ ist ein Programm aus dem Archiv %2.  Wenn Sie es ausführen, kann es alles tun, was Sie tun können: Ihre Dateien lesen, ändern oder löschen.<byte value="xd"/>Möchten Sie es ausführen?  (Nein öffnet es zum Ansehen.)</translation>
    </message>
    <message>
        <source>Unable to run &quot;%1&quot;.</source>
        <translation>„%1“ kann nicht ausgeführt werden.</translation>
    </message>
    <message>
        <source>No program is available to open &quot;%1&quot;.</source>
        <translation>Es ist kein Programm zum Öffnen von „%1“ vorhanden.</translation>
    </message>
    <message>
        <source>Extracting &quot;%1&quot;.</source>
        <translation>„%1“ wird entpackt.</translation>
    </message>
    <message>
        <source>The password for &quot;%1&quot; is not correct. Enter it again:</source>
        <translation>Das Kennwort für „%1“ ist nicht richtig. Geben Sie es erneut ein:</translation>
    </message>
    <message>
        <source>Enter the password for &quot;%1&quot;:</source>
        <translation>Geben Sie das Kennwort für „%1“ ein:</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Kennwort</translation>
    </message>
    <message>
        <source>writing the comment to</source>
        <translation>Schreiben des Kommentars</translation>
    </message>
    <message>
        <source>Fix a damaged Archive file</source>
        <translation>Eine beschädigte Archivdatei reparieren</translation>
    </message>
    <message>
        <source>%1 - Parcelix for Windows 95</source>
        <translation>%1 - Parcelix für Windows 95</translation>
    </message>
    <message>
        <source>Untitled</source>
        <translation>Unbenannt</translation>
    </message>
    <message>
        <source>The archive file, %1, Cannot be located.  Please select another archive.</source>
        <translation>Die Archivdatei %1 wurde nicht gefunden.  Bitte wählen Sie ein anderes Archiv.</translation>
    </message>
    <message>
        <source>%1 Entries, %2 Bytes, %3 Bytes.</source>
        <translation>%1 Einträge, %2 Byte, %3 Byte.</translation>
    </message>
    <message>
        <source>Western, DOS (437)</source>
        <translation>Westlich, DOS (437)</translation>
    </message>
    <message>
        <source>Western European, DOS (850)</source>
        <translation>Westeuropäisch, DOS (850)</translation>
    </message>
    <message>
        <source>Western European, Windows (1252)</source>
        <translation>Westeuropäisch, Windows (1252)</translation>
    </message>
    <message>
        <source>Central European, DOS (852)</source>
        <translation>Mitteleuropäisch, DOS (852)</translation>
    </message>
    <message>
        <source>Central European, Windows (1250)</source>
        <translation>Mitteleuropäisch, Windows (1250)</translation>
    </message>
    <message>
        <source>Cyrillic, DOS (866)</source>
        <translation>Kyrillisch, DOS (866)</translation>
    </message>
    <message>
        <source>Cyrillic, Windows (1251)</source>
        <translation>Kyrillisch, Windows (1251)</translation>
    </message>
    <message>
        <source>Greek, DOS (737)</source>
        <translation>Griechisch, DOS (737)</translation>
    </message>
    <message>
        <source>Greek, Windows (1253)</source>
        <translation>Griechisch, Windows (1253)</translation>
    </message>
    <message>
        <source>Turkish, DOS (857)</source>
        <translation>Türkisch, DOS (857)</translation>
    </message>
    <message>
        <source>Hebrew, DOS (862)</source>
        <translation>Hebräisch, DOS (862)</translation>
    </message>
    <message>
        <source>Arabic, Windows (1256)</source>
        <translation>Arabisch, Windows (1256)</translation>
    </message>
    <message>
        <source>Thai (874)</source>
        <translation>Thailändisch (874)</translation>
    </message>
    <message>
        <source>Japanese, Shift JIS (932)</source>
        <translation>Japanisch, Shift JIS (932)</translation>
    </message>
    <message>
        <source>Chinese Simplified, GBK (936)</source>
        <translation>Chinesisch vereinfacht, GBK (936)</translation>
    </message>
    <message>
        <source>Chinese Traditional, Big5 (950)</source>
        <translation>Chinesisch traditionell, Big5 (950)</translation>
    </message>
    <message>
        <source>Korean (949)</source>
        <translation>Koreanisch (949)</translation>
    </message>
    <message>
        <source>Name &amp;Encoding</source>
        <translation>Namens&amp;kodierung</translation>
    </message>
    <message>
        <source>How names stored without a character set are read</source>
        <translation>Wie Namen ohne gespeicherten Zeichensatz gelesen werden</translation>
    </message>
    <message>
        <source>&amp;Automatic</source>
        <translation>&amp;Automatisch</translation>
    </message>
    <message>
        <source>&amp;Automatic: %1</source>
        <translation>&amp;Automatisch: %1</translation>
    </message>
    <message>
        <source>Show only the entries whose path contains... (* and ? as wildcards)</source>
        <translation>Nur Einträge zeigen, deren Pfad dies enthält ... (* und ? als Platzhalter)</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>%1 of %2 entries shown.</source>
        <translation>%1 von %2 Einträgen angezeigt.</translation>
    </message>
    <message>
        <source>Filter the List</source>
        <translation>Liste filtern</translation>
    </message>
    <message>
        <source>%1 was changed. Update it in the archive?</source>
        <translation>%1 wurde geändert. Im Archiv aktualisieren?</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be updated in the archive: its stored name is not a plain path.</source>
        <translation>„%1“ kann im Archiv nicht aktualisiert werden: sein gespeicherter Name ist kein einfacher Pfad.</translation>
    </message>
    <message>
        <source>Unable to copy &quot;%1&quot;.</source>
        <translation>„%1“ kann nicht kopiert werden.</translation>
    </message>
</context>
<context>
    <name>TZipEngine</name>
    <message>
        <source>Error #%1</source>
        <translation>Fehler Nr. %1</translation>
    </message>
</context>
<context>
    <name>platform::HelpWindow</name>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Forward</source>
        <translation>&amp;Vorwärts</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>&amp;Type the first few letters of the word you are looking for:</source>
        <translation>&amp;Geben Sie die ersten Buchstaben des gesuchten Wortes ein:</translation>
    </message>
    <message>
        <source>&amp;Display</source>
        <translation>&amp;Anzeigen</translation>
    </message>
    <message>
        <source>Index</source>
        <translation>Index</translation>
    </message>
    <message>
        <source>T&amp;ype the words you want to find:</source>
        <translation>Geben Sie die zu &amp;suchenden Wörter ein:</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Topic %1</source>
        <translation>Thema %1</translation>
    </message>
    <message>
        <source>1 topic found</source>
        <translation>1 Thema gefunden</translation>
    </message>
    <message>
        <source>%1 topics found</source>
        <translation>%1 Themen gefunden</translation>
    </message>
    <message>
        <source>Help file not found</source>
        <translation>Hilfedatei nicht gefunden</translation>
    </message>
    <message>
        <source>&lt;p&gt;The help file %1 could not be found.&lt;/p&gt;&lt;p&gt;It belongs in the same folder as the program. Install Parcelix again, or copy Parcelix.hlp into that folder.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Hilfedatei %1 wurde nicht gefunden.&lt;/p&gt;&lt;p&gt;Sie gehört in denselben Ordner wie das Programm. Installieren Sie Parcelix erneut, oder kopieren Sie Parcelix.hlp in diesen Ordner.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Help file not readable</source>
        <translation>Hilfedatei nicht lesbar</translation>
    </message>
    <message>
        <source>&lt;p&gt;The help file %1 could not be read: %2.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Hilfedatei %1 konnte nicht gelesen werden: %2.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Help file damaged</source>
        <translation>Hilfedatei beschädigt</translation>
    </message>
    <message>
        <source>&lt;p&gt;The help file %1 is damaged and cannot be shown (%2).&lt;/p&gt;&lt;p&gt;Install Parcelix again to replace it.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Hilfedatei %1 ist beschädigt und kann nicht angezeigt werden (%2).&lt;/p&gt;&lt;p&gt;Installieren Sie Parcelix erneut, um sie zu ersetzen.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>No help file</source>
        <translation>Keine Hilfedatei</translation>
    </message>
    <message>
        <source>&lt;p&gt;No help file has been named.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Es wurde keine Hilfedatei angegeben.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Topic not found</source>
        <translation>Thema nicht gefunden</translation>
    </message>
    <message>
        <source>&lt;p&gt;The help file %1 has no topic number %2.&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;viewer:contents&quot;&gt;Show the contents&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Hilfedatei %1 enthält kein Thema mit der Nummer %2.&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;viewer:contents&quot;&gt;Inhalt anzeigen&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>platform::TFolderChooser</name>
    <message>
        <source>Select Directory</source>
        <translation>Verzeichnis auswählen</translation>
    </message>
    <message>
        <source>&amp;Folders:</source>
        <translation>&amp;Ordner:</translation>
    </message>
    <message>
        <source>&amp;Directory name:</source>
        <translation>&amp;Verzeichnisname:</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a directory.</source>
        <translation>„%1“ ist kein Verzeichnis.</translation>
    </message>
    <message>
        <source>The specified directory does not exist. Create it?</source>
        <translation>Das angegebene Verzeichnis ist nicht vorhanden. Soll es erstellt werden?</translation>
    </message>
    <message>
        <source>Unable to create the directory &quot;%1&quot;.</source>
        <translation>Das Verzeichnis „%1“ kann nicht erstellt werden.</translation>
    </message>
</context>
<context>
    <name>platform::TTextWindow</name>
    <message>
        <source>

(Only the first %1 MB of this file are shown.)</source>
        <translation>

(Nur die ersten %1 MB dieser Datei werden angezeigt.)</translation>
    </message>
    <message>
        <source>Unable to read &quot;%1&quot;: %2</source>
        <translation>„%1“ kann nicht gelesen werden: %2</translation>
    </message>
</context>
</TS>
