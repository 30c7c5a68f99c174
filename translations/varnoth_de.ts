<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandLine</name>
    <message>
        <source>Usage: varnoth [--help | --version]
Moves picture files into a folder under numbered names; the choices are made in its window.

  -h, --help     show this text and exit
      --version  show the version and exit

Qt&apos;s own options, such as -platform, are taken as well.
</source>
        <translation>Aufruf: varnoth [--help | --version]
Verschiebt Bilddateien unter nummerierten Namen in einen Ordner; die Auswahl geschieht in seinem Fenster.

  -h, --help     diesen Text zeigen und beenden
      --version  die Version zeigen und beenden

Qts eigene Optionen wie -platform werden ebenfalls angenommen.
</translation>
    </message>
    <message>
        <source>varnoth: unknown argument &apos;%1&apos;; see &apos;varnoth --help&apos;.
</source>
        <translation>varnoth: unbekanntes Argument „%1“; siehe „varnoth --help“.
</translation>
    </message>
</context>
<context>
    <name>FailureText</name>
    <message>
        <source>Please enter new file name</source>
        <translation>Bitte einen neuen Dateinamen eingeben</translation>
    </message>
    <message>
        <source>The new file name must not contain &quot;/&quot;.</source>
        <translation>Der neue Dateiname darf kein „/“ enthalten.</translation>
    </message>
    <message>
        <source>The new file name must not contain a NUL character.</source>
        <translation>Der neue Dateiname darf kein NUL-Zeichen enthalten.</translation>
    </message>
    <message>
        <source>The new file name must not begin with &quot;.&quot;.</source>
        <translation>Der neue Dateiname darf nicht mit „.“ beginnen.</translation>
    </message>
    <message>
        <source>the name has no &quot;.&quot;</source>
        <translation>der Name enthält keinen „.“</translation>
    </message>
    <message>
        <source>the part before its first &quot;.&quot; is shorter than the name stem</source>
        <translation>der Teil vor dem ersten „.“ ist kürzer als der Namensstamm</translation>
    </message>
    <message>
        <source>%1 is no longer a regular file; it was left where it is</source>
        <translation>%1 ist keine gewöhnliche Datei mehr; sie bleibt, wo sie ist</translation>
    </message>
    <message>
        <source>%1 changed while it was being copied to %2; it was kept and the copy removed</source>
        <translation>%1 hat sich beim Kopieren nach %2 geändert; sie wurde behalten und die Kopie entfernt</translation>
    </message>
    <message>
        <source>Cannot make sure that %1 is safely on disk; the copy exists and %2 was kept</source>
        <translation>Es lässt sich nicht sicherstellen, dass %1 sicher auf dem Datenträger steht; die Kopie existiert und %2 wurde behalten</translation>
    </message>
    <message>
        <source>Cannot copy %1 to %2: %3</source>
        <translation>%1 kann nicht nach %2 kopiert werden: %3</translation>
    </message>
    <message>
        <source>Cannot list %1 with the pattern %2: %3</source>
        <translation>%1 kann nicht mit dem Muster %2 aufgelistet werden: %3</translation>
    </message>
    <message>
        <source>Cannot read the number of %1: %2</source>
        <translation>Die Nummer von %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Cannot give %1 a number past 2147483647: %2</source>
        <translation>%1 kann keine Nummer über 2147483647 bekommen: %2</translation>
    </message>
    <message>
        <source>Cannot delete %1 after copying it to %2: %3</source>
        <translation>%1 kann nach dem Kopieren nach %2 nicht gelöscht werden: %3</translation>
    </message>
    <message>
        <source>Cannot list: %1</source>
        <translation>Auflisten nicht möglich: %1</translation>
    </message>
    <message>
        <source>Cannot list %1: %2</source>
        <translation>%1 kann nicht aufgelistet werden: %2</translation>
    </message>
    <message>
        <source>Failure converting file. %1.</source>
        <translation>Fehler beim Umbenennen der Datei. %1.</translation>
    </message>
    <message>
        <source>Cannot read: %1</source>
        <translation>Lesen nicht möglich: %1</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Drive failure. %1.</source>
        <translation>Laufwerksfehler. %1.</translation>
    </message>
    <message>
        <source>Directory failure. %1.</source>
        <translation>Verzeichnisfehler. %1.</translation>
    </message>
    <message>
        <source>Cannot open: %1</source>
        <translation>Öffnen nicht möglich: %1</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>%1 kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Failure creating directory. The name must not contain &quot;/&quot;.</source>
        <translation>Fehler beim Anlegen des Verzeichnisses. Der Name darf kein „/“ enthalten.</translation>
    </message>
    <message>
        <source>Failure creating directory. The name must not be &quot;.&quot; or &quot;..&quot;.</source>
        <translation>Fehler beim Anlegen des Verzeichnisses. Der Name darf nicht „.“ oder „..“ sein.</translation>
    </message>
    <message>
        <source>Failure creating directory. The name must not contain a NUL character.</source>
        <translation>Fehler beim Anlegen des Verzeichnisses. Der Name darf kein NUL-Zeichen enthalten.</translation>
    </message>
    <message>
        <source>Failure creating directory. %1.</source>
        <translation>Fehler beim Anlegen des Verzeichnisses. %1.</translation>
    </message>
    <message>
        <source>Cannot create: %1</source>
        <translation>Anlegen nicht möglich: %1</translation>
    </message>
    <message>
        <source>Cannot create %1: %2</source>
        <translation>%1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>%1 was replaced while it was being moved; it was put back</source>
        <translation>%1 wurde während des Verschiebens ersetzt; sie wurde zurückgelegt</translation>
    </message>
    <message>
        <source>%1 was replaced while it was being moved; what took its place is now %2</source>
        <translation>%1 wurde während des Verschiebens ersetzt; was an ihre Stelle trat, ist jetzt %2</translation>
    </message>
    <message>
        <source>%1 holds more or fewer bytes than its size says; it was kept and the copy removed</source>
        <translation>%1 enthält mehr oder weniger Bytes, als ihre Größe angibt; sie wurde behalten und die Kopie entfernt</translation>
    </message>
    <message>
        <source>Cannot open: %1; nothing was moved</source>
        <translation>Öffnen nicht möglich: %1; nichts wurde verschoben</translation>
    </message>
    <message>
        <source>Cannot open %1: %2; nothing was moved</source>
        <translation>%1 kann nicht geöffnet werden: %2; nichts wurde verschoben</translation>
    </message>
    <message>
        <source>The folder %1 changed since it was listed; nothing was moved</source>
        <translation>Der Ordner %1 hat sich seit dem Auflisten geändert; nichts wurde verschoben</translation>
    </message>
    <message>
        <source>%1 stays where it was; the files before it were moved</source>
        <translation>%1 bleibt, wo sie war; die Dateien davor wurden verschoben</translation>
    </message>
    <message>
        <source>%1 stays in %2; the files before it were moved</source>
        <translation>%1 bleibt in %2; die Dateien davor wurden verschoben</translation>
    </message>
    <message>
        <source>%1 does not answer</source>
        <translation>%1 antwortet nicht</translation>
    </message>
    <message>
        <source>its listing goes on past %1 MiB of names without ending</source>
        <translation>seine Auflistung reicht über %1 MiB an Namen hinaus, ohne zu enden</translation>
    </message>
</context>
<context>
    <name>varnoth::FrmMain</name>
    <message>
        <source>Directory to create</source>
        <translation>Anzulegendes Verzeichnis</translation>
    </message>
    <message>
        <source>Create a New Output Directory</source>
        <translation>Neues Ausgabeverzeichnis anlegen</translation>
    </message>
    <message>
        <source>Source directory...</source>
        <translation>Quellverzeichnis...</translation>
    </message>
    <message>
        <source>Target directory...</source>
        <translation>Zielverzeichnis...</translation>
    </message>
    <message>
        <source>New file name</source>
        <translation>Neuer Dateiname</translation>
    </message>
    <message>
        <source>Source disk</source>
        <translation>Quelllaufwerk</translation>
    </message>
    <message>
        <source>Source drive</source>
        <translation>Quelllaufwerk</translation>
    </message>
    <message>
        <source>Directory where the files are located</source>
        <translation>Verzeichnis, in dem die Dateien liegen</translation>
    </message>
    <message>
        <source>Source directory</source>
        <translation>Quellverzeichnis</translation>
    </message>
    <message>
        <source>A display of the available file with the given extension</source>
        <translation>Die vorhandenen Dateien mit der gewählten Endung</translation>
    </message>
    <message>
        <source>Source files</source>
        <translation>Quelldateien</translation>
    </message>
    <message>
        <source>Target disk</source>
        <translation>Ziellaufwerk</translation>
    </message>
    <message>
        <source>Target drive</source>
        <translation>Ziellaufwerk</translation>
    </message>
    <message>
        <source>Directory where to move the files</source>
        <translation>Verzeichnis, in das die Dateien verschoben werden</translation>
    </message>
    <message>
        <source>Target directory</source>
        <translation>Zielverzeichnis</translation>
    </message>
    <message>
        <source>Files currently matching the new name string.</source>
        <translation>Dateien, die jetzt zum neuen Namen passen.</translation>
    </message>
    <message>
        <source>Target files</source>
        <translation>Zieldateien</translation>
    </message>
    <message>
        <source>Rename Files</source>
        <translation>Dateien umbenennen</translation>
    </message>
    <message>
        <source>Rename the files from the source directory to the target directory</source>
        <translation>Die Dateien aus dem Quellverzeichnis ins Zielverzeichnis umbenennen</translation>
    </message>
    <message>
        <source>Sets the file extension to work with.</source>
        <translation>Legt die Dateiendung fest, mit der gearbeitet wird.</translation>
    </message>
    <message>
        <source>File extension</source>
        <translation>Dateiendung</translation>
    </message>
    <message>
        <source>New target directory</source>
        <translation>Neues Zielverzeichnis</translation>
    </message>
    <message>
        <source>Make a directory for the graphics to be copied into.</source>
        <translation>Ein Verzeichnis anlegen, in das die Bilder kopiert werden.</translation>
    </message>
</context>
</TS>
