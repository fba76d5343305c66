<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AccessFile</name>
    <message>
        <source>Cannot read the Access database %1: </source>
        <translation>Die Access-Datenbank %1 kann nicht gelesen werden: </translation>
    </message>
    <message>
        <source>the file is not an Access database.</source>
        <translation>die Datei ist keine Access-Datenbank.</translation>
    </message>
    <message>
        <source>the file is cut short: its %1 bytes hold no list of tables.</source>
        <translation>die Datei ist abgeschnitten: ihre %1 Bytes enthalten keine Tabellenliste.</translation>
    </message>
    <message>
        <source>the file is cut short: its %1 bytes end within a page of %2.</source>
        <translation>die Datei ist abgeschnitten: ihre %1 Bytes enden mitten in einer Seite von %2.</translation>
    </message>
    <message>
        <source>libmdb cannot open it.</source>
        <translation>libmdb kann sie nicht öffnen.</translation>
    </message>
    <message>
        <source>its list of tables is damaged.</source>
        <translation>ihre Tabellenliste ist beschädigt.</translation>
    </message>
    <message>
        <source>it holds no table dept, nor any other table.</source>
        <translation>sie enthält keine Tabelle dept und auch sonst keine Tabelle.</translation>
    </message>
    <message>
        <source>it holds no table dept, only the table %1, which Tallyhouse does not keep.</source>
        <translation>sie enthält keine Tabelle dept, nur die Tabelle %1, die Tallyhouse nicht verwaltet.</translation>
    </message>
    <message>
        <source>it holds no table dept, only the tables %1, which Tallyhouse does not keep.</source>
        <translation>sie enthält keine Tabelle dept, nur die Tabellen %1, die Tallyhouse nicht verwaltet.</translation>
    </message>
    <message>
        <source>the definition of its table dept is damaged.</source>
        <translation>die Definition ihrer Tabelle dept ist beschädigt.</translation>
    </message>
    <message>
        <source>its table dept has no column %1</source>
        <translation>ihrer Tabelle dept fehlt die Spalte %1</translation>
    </message>
    <message>
        <source>the column %1 holds binary data, which Tallyhouse cannot keep</source>
        <translation>die Spalte %1 enthält Binärdaten, die Tallyhouse nicht speichern kann</translation>
    </message>
    <message>
        <source>a copy would leave behind its column %1, which Tallyhouse does not keep</source>
        <translation>eine Kopie würde ihre Spalte %1 zurücklassen, die Tallyhouse nicht verwaltet</translation>
    </message>
    <message>
        <source>The Access database %1 cannot be copied: %2. Its table dept must have exactly the columns %3.</source>
        <translation>Die Access-Datenbank %1 kann nicht kopiert werden: %2. Ihre Tabelle dept muss genau die Spalten %3 haben.</translation>
    </message>
    <message>
        <source>; and </source>
        <translation>; und </translation>
    </message>
    <message>
        <source>the row is damaged and cannot be read</source>
        <translation>die Zeile ist beschädigt und kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the key %1 is empty</source>
        <translation>der Schlüssel %1 ist leer</translation>
    </message>
    <message>
        <source>the key %1 %2 is not a whole number</source>
        <translation>der Schlüssel %1 %2 ist keine ganze Zahl</translation>
    </message>
    <message>
        <source>%1 %2 is not a number</source>
        <translation>%1 %2 ist keine Zahl</translation>
    </message>
    <message>
        <source>Cannot copy the Access database %1 into a new database beside it: </source>
        <translation>Die Access-Datenbank %1 kann nicht in eine neue Datenbank daneben kopiert werden: </translation>
    </message>
    <message>
        <source>Cannot put the copy of the Access database %1 in its place: %2; nothing was changed.</source>
        <translation>Die Kopie der Access-Datenbank %1 kann nicht an ihre Stelle gesetzt werden: %2; es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>it cannot be renamed to %1</source>
        <translation>sie kann nicht in %1 umbenannt werden</translation>
    </message>
    <message>
        <source>the copy cannot be renamed to %1</source>
        <translation>die Kopie kann nicht in %1 umbenannt werden</translation>
    </message>
    <message>
        <source>row</source>
        <translation>Zeile</translation>
    </message>
    <message numerus="yes">
        <source>the file is damaged: its table dept holds %n customers, and only %1 of them can be read</source>
        <translation>
            <numerusform>die Datei ist beschädigt: ihre Tabelle dept enthält %n Kunden, von denen nur %1 gelesen werden können</numerusform>
            <numerusform>die Datei ist beschädigt: ihre Tabelle dept enthält %n Kunden, von denen nur %1 gelesen werden können</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of the customer %2 %3 holds the character NUL (U+0000), which no text may hold</source>
        <translation>%1 des Kunden %2 %3 enthält das Zeichen NUL (U+0000), das kein Text enthalten darf</translation>
    </message>
    <message>
        <source>the file is damaged: its column %1 has a type (0x%2) that Access does not know.</source>
        <translation>die Datei ist beschädigt: ihre Spalte %1 hat einen Typ (0x%2), den Access nicht kennt.</translation>
    </message>
    <message>
        <source>Cannot read the Access database %1: the reader %2 cannot be started: %3.</source>
        <translation>Die Access-Datenbank %1 kann nicht gelesen werden: das Leseprogramm %2 kann nicht gestartet werden: %3.</translation>
    </message>
    <message>
        <source>reading it takes more than the %1 MB of memory allowed</source>
        <translation>das Lesen braucht mehr als die erlaubten %1 MB Speicher</translation>
    </message>
    <message>
        <source>libmdb crashed reading it: %1</source>
        <translation>libmdb ist beim Lesen abgestürzt: %1</translation>
    </message>
    <message>
        <source>its reader ended with the status %1</source>
        <translation>ihr Leseprogramm endete mit dem Status %1</translation>
    </message>
    <message>
        <source>%1, after row %2</source>
        <translation>%1, nach Zeile %2</translation>
    </message>
    <message>
        <source>The Access database %1 is damaged and cannot be read (%2).</source>
        <translation>Die Access-Datenbank %1 ist beschädigt und kann nicht gelesen werden (%2).</translation>
    </message>
    <message>
        <source>its reader gave an answer that cannot be understood</source>
        <translation>ihr Leseprogramm gab eine Antwort, die nicht zu verstehen ist</translation>
    </message>
    <message>
        <source>its long value is cut short</source>
        <translation>sein langer Wert ist abgeschnitten</translation>
    </message>
    <message>
        <source>its long value holds %1 bytes where it declares %2</source>
        <translation>sein langer Wert enthält %1 Bytes, angegeben sind %2</translation>
    </message>
    <message>
        <source>its long value has flags (0x%1) that Access does not write</source>
        <translation>sein langer Wert hat Kennzeichen (0x%1), die Access nicht schreibt</translation>
    </message>
    <message>
        <source>its long value points at page %1, which holds no long value</source>
        <translation>sein langer Wert zeigt auf Seite %1, die keine langen Werte enthält</translation>
    </message>
    <message>
        <source>the key %1 is damaged: %2</source>
        <translation>der Schlüssel %1 ist beschädigt: %2</translation>
    </message>
    <message>
        <source>%1 of the customer %2 %3 is damaged: %4</source>
        <translation>%1 des Kunden %2 %3 ist beschädigt: %4</translation>
    </message>
    <message>
        <source>libmdb reports that the file is damaged: %1</source>
        <translation>libmdb meldet, dass die Datei beschädigt ist: %1</translation>
    </message>
    <message numerus="yes">
        <source>libmdb gave no answer for %n seconds</source>
        <translation>
            <numerusform>libmdb hat %n Sekunde lang nicht geantwortet</numerusform>
            <numerusform>libmdb hat %n Sekunden lang nicht geantwortet</numerusform>
        </translation>
    </message>
    <message>
        <source>the map of the pages of its table dept is damaged.</source>
        <translation>die Karte der Seiten ihrer Tabelle dept ist beschädigt.</translation>
    </message>
    <message>
        <source>the file is damaged: its column %1 has a type (0x%2) whose values it does not hold as Access does.</source>
        <translation>die Datei ist beschädigt: ihre Spalte %1 hat einen Typ (0x%2), dessen Werte sie nicht so hält, wie Access sie hält.</translation>
    </message>
</context>
<context>
    <name>Connection</name>
    <message>
        <source>The database %1 cannot be reached: %2</source>
        <translation>Die Datenbank %1 ist nicht erreichbar: %2</translation>
    </message>
    <message>
        <source>Cannot open the database %1: </source>
        <translation>Die Datenbank %1 kann nicht geöffnet werden: </translation>
    </message>
    <message>
        <source>The database connection is not open.</source>
        <translation>Die Verbindung zur Datenbank ist nicht geöffnet.</translation>
    </message>
    <message>
        <source>The question was given up.</source>
        <translation>Die Anfrage wurde aufgegeben.</translation>
    </message>
    <message>
        <source>The connection to the database was closed.</source>
        <translation>Die Verbindung zur Datenbank wurde geschlossen.</translation>
    </message>
</context>
<context>
    <name>CsvReader</name>
    <message>
        <source>the data cannot be read twice (it is not a file)</source>
        <translation>die Daten können nicht zweimal gelesen werden (sie sind keine Datei)</translation>
    </message>
    <message>
        <source>cannot read the file: %1</source>
        <translation>die Datei kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>the file is UTF-16 text; save it as CSV in UTF-8</source>
        <translation>die Datei ist UTF-16-Text; bitte als CSV in UTF-8 speichern</translation>
    </message>
    <message>
        <source>a quoted field has no closing quote</source>
        <translation>einem Feld in Anführungszeichen fehlt das schließende Anführungszeichen</translation>
    </message>
    <message>
        <source>a double quote is out of place: a field holding quotes must be quoted, and a closing quote must end the field</source>
        <translation>ein Anführungszeichen steht an falscher Stelle: Ein Feld mit Anführungszeichen muss selbst in Anführungszeichen stehen, und das schließende Anführungszeichen muss das Feld beenden</translation>
    </message>
    <message>
        <source> (in the record that begins on line %1)</source>
        <translation> (im Datensatz, der in Zeile %1 beginnt)</translation>
    </message>
    <message>
        <source>a field is longer than any text may be (%1 characters); is a closing quote missing?</source>
        <translation>ein Feld ist länger, als ein Text sein darf (%1 Zeichen); fehlt ein schließendes Anführungszeichen?</translation>
    </message>
    <message>
        <source>the record has more than %1 fields</source>
        <translation>der Datensatz hat mehr als %1 Felder</translation>
    </message>
    <message>
        <source>the byte %1 in column %2 is not UTF-8, though the file holds UTF-8 characters elsewhere; save it again as CSV in UTF-8</source>
        <translation>das Byte %1 in Spalte %2 ist kein UTF-8, obwohl die Datei an anderer Stelle UTF-8-Zeichen enthält; bitte erneut als CSV in UTF-8 speichern</translation>
    </message>
    <message>
        <source>the file is not UTF-8, and read as Windows-1252 its byte %1 stands for no character; save it again as CSV in UTF-8</source>
        <translation>die Datei ist kein UTF-8, und als Windows-1252 gelesen steht ihr Byte %1 für kein Zeichen; bitte erneut als CSV in UTF-8 speichern</translation>
    </message>
</context>
<context>
    <name>CsvWriter</name>
    <message>
        <source>the data could not be written</source>
        <translation>die Daten konnten nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>CustomerColumn</name>
    <message>
        <source>First Name:</source>
        <translation>Vorname:</translation>
    </message>
    <message>
        <source>Last Name:</source>
        <translation>Nachname:</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresse:</translation>
    </message>
    <message>
        <source>E-Mail:</source>
        <translation>E-Mail:</translation>
    </message>
    <message>
        <source>Phone #</source>
        <translation>Telefon:</translation>
    </message>
    <message>
        <source>Credit Limit:</source>
        <translation>Kreditlimit:</translation>
    </message>
    <message>
        <source>Dept. Name:</source>
        <translation>Abteilung:</translation>
    </message>
</context>
<context>
    <name>CustomerCsv</name>
    <message>
        <source>unknown column %1; the columns are %2</source>
        <translation>unbekannte Spalte %1; die Spalten sind %2</translation>
    </message>
    <message>
        <source>column %1 is named twice</source>
        <translation>die Spalte %1 ist doppelt angegeben</translation>
    </message>
    <message>
        <source>the key %1 %2 is not a whole number</source>
        <translation>der Schlüssel %1 %2 ist keine ganze Zahl</translation>
    </message>
    <message>
        <source>%1 %2 is not a number</source>
        <translation>%1 %2 ist keine Zahl</translation>
    </message>
    <message>
        <source>the file is empty; it needs a header line naming the columns</source>
        <translation>die Datei ist leer; sie braucht eine Kopfzeile mit den Spaltennamen</translation>
    </message>
    <message>
        <source>the header line names no column</source>
        <translation>die Kopfzeile nennt keine Spalte</translation>
    </message>
    <message>
        <source>field %1 holds %2 but its column has no heading</source>
        <translation>Feld %1 enthält %2, aber seine Spalte hat keine Überschrift</translation>
    </message>
    <message>
        <source>%1 where %2</source>
        <extracomment>%1 is &quot;the record has 3 fields&quot;, %2 &quot;the header names 2 columns&quot;.</extracomment>
        <translation>%1, %2</translation>
    </message>
    <message numerus="yes">
        <source>the record has %n fields</source>
        <translation>
            <numerusform>der Datensatz hat %n Feld</numerusform>
            <numerusform>der Datensatz hat %n Felder</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the header names %n columns</source>
        <translation>
            <numerusform>die Kopfzeile nennt aber %n Spalte</numerusform>
            <numerusform>die Kopfzeile nennt aber %n Spalten</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CustomerHistoryDialog</name>
    <message>
        <source>&amp;Restore this version</source>
        <translation>Diese Version &amp;wiederherstellen</translation>
    </message>
    <message>
        <source>History of customer %1</source>
        <translation>Verlauf von Kunde %1</translation>
    </message>
    <message>
        <source>Versions of customer %1</source>
        <translation>Versionen von Kunde %1</translation>
    </message>
    <message>
        <source>Restore the chosen version</source>
        <translation>Die gewählte Version wiederherstellen</translation>
    </message>
    <message>
        <source>Added</source>
        <translation>Hinzugefügt</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Geändert</translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>Gelöscht</translation>
    </message>
    <message numerus="yes">
        <source>%n versions of customer %1, the latest first; the fields each change made are in bold.</source>
        <translation>
            <numerusform>%n Version von Kunde %1, die neueste zuerst; die Felder, die eine Änderung geändert hat, sind fett.</numerusform>
            <numerusform>%n Versionen von Kunde %1, die neueste zuerst; die Felder, die eine Änderung geändert hat, sind fett.</numerusform>
        </translation>
    </message>
    <message>
        <source> More follow.</source>
        <translation> Weitere folgen.</translation>
    </message>
</context>
<context>
    <name>CustomerImport</name>
    <message>
        <source>the key %1 %2</source>
        <translation>der Schlüssel %1 %2</translation>
    </message>
    <message>
        <source>%1 is given twice (first on %2 %3)</source>
        <translation>%1 kommt doppelt vor (zuerst in %2 %3)</translation>
    </message>
    <message>
        <source>no new key is left above %1 for this customer</source>
        <translation>für diesen Kunden ist kein freier Schlüssel über %1 mehr übrig</translation>
    </message>
    <message>
        <source>line</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>row</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>%1 belongs to a customer in the table already</source>
        <translation>%1 gehört bereits einem Kunden in der Tabelle</translation>
    </message>
    <message>
        <source>%1 exists already; it is left as it is</source>
        <translation>%1 existiert bereits und bleibt unverändert</translation>
    </message>
    <message>
        <source>cannot create %1: %2</source>
        <translation>%1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>the database %1 holds a table dept already; it is left as it is</source>
        <translation>die Datenbank %1 enthält bereits eine Tabelle dept und bleibt unverändert</translation>
    </message>
</context>
<context>
    <name>CustomerRow</name>
    <message>
        <source>a first or last name</source>
        <translation>ein Vor- oder Nachname</translation>
    </message>
    <message>
        <source>a text</source>
        <translation>ein Text</translation>
    </message>
    <message>
        <source>%1 holds %2 characters; %3 may hold at most %4</source>
        <translation>%1 hat %2 Zeichen; %3 darf höchstens %4 haben</translation>
    </message>
</context>
<context>
    <name>CustomerTable</name>
    <message>
        <source>it holds no table dept.</source>
        <translation>sie enthält keine Tabelle dept.</translation>
    </message>
</context>
<context>
    <name>DataGrid</name>
    <message>
        <source>sorted descending</source>
        <translation>absteigend sortiert</translation>
    </message>
    <message>
        <source>sorted ascending</source>
        <translation>aufsteigend sortiert</translation>
    </message>
    <message>
        <source>Sort by %1, &amp;ascending</source>
        <translation>Nach %1 &amp;aufsteigend sortieren</translation>
    </message>
    <message>
        <source>Sort by %1, &amp;descending</source>
        <translation>Nach %1 a&amp;bsteigend sortieren</translation>
    </message>
    <message>
        <source>&amp;Unsorted</source>
        <translation>&amp;Unsortiert</translation>
    </message>
    <message>
        <source>&amp;Reset columns</source>
        <translation>Spalten &amp;zurücksetzen</translation>
    </message>
</context>
<context>
    <name>DatabaseChoice</name>
    <message>
        <source>Cannot read the settings file %1: %2.</source>
        <translation>Die Einstellungsdatei %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>
Try &apos;tallyhouse --help&apos; for more information.
</source>
        <translation>
„tallyhouse --help“ gibt weitere Informationen.
</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;: name a database with --database.</source>
        <translation>Unerwartetes Argument „%1“: Die Datenbank wird mit --database angegeben.</translation>
    </message>
    <message>
        <source>--database needs a file path or a PostgreSQL URL.</source>
        <translation>--database braucht einen Dateipfad oder eine PostgreSQL-URL.</translation>
    </message>
    <message>
        <source>found beside the program</source>
        <translation>neben dem Programm gefunden</translation>
    </message>
    <message>
        <source>No customer database was found beside the program, and there is no data folder to look in: neither XDG_DATA_HOME nor HOME is set.</source>
        <translation>Neben dem Programm wurde keine Kundendatenbank gefunden, und es gibt keinen Datenordner zum Suchen: Weder XDG_DATA_HOME noch HOME ist gesetzt.</translation>
    </message>
    <message>
        <source>found in the data folder</source>
        <translation>im Datenordner gefunden</translation>
    </message>
    <message>
        <source>created in the data folder</source>
        <translation>im Datenordner neu angelegt</translation>
    </message>
    <message>
        <source>Cannot create the database &quot;%1&quot;: the folder %2 cannot be made.</source>
        <translation>Die Datenbank „%1“ kann nicht angelegt werden: Der Ordner %2 kann nicht erstellt werden.</translation>
    </message>
    <message>
        <source>Usage: tallyhouse [--database TARGET]

Keeps the customer table of a database.

  --database TARGET  the database: a file path (relative to the current
                     folder) or a PostgreSQL URL, for example
                     postgresql://ann@db1:5432,db2:5432/shop?target_session_attrs=read-write
  --help             show this text and end
  --version          show the version and end

The database is the first of:
  1.  the --database option;
  2.  the environment variable TALLYHOUSE_DATABASE (a path or URL as above);
  3.  a line database=TARGET in the settings file tallyhouse.ini, beside the
      program, else in $XDG_CONFIG_HOME/Tallyhouse (~/.config/Tallyhouse);
      a relative path there starts at the settings file&apos;s folder;
  4.  db40.mdb beside the program, when it exists;
  5.  db40.mdb in $XDG_DATA_HOME/Tallyhouse (~/.local/share/Tallyhouse),
      when it exists;
  6.  else the program offers to create a new, empty database as in 5.
A database named by 1 to 3 that does not exist is an error.

A TARGET may also be a libpq connection string (host=db1 dbname=shop).
A TARGET never holds a password: one with a password is refused wherever it
is written. The PostgreSQL client takes the password from ~/.pgpass,
PGPASSWORD or a PostgreSQL service file, or the program asks for it when the
server wants one.
</source>
        <translation>Aufruf: tallyhouse [--database ZIEL]

Verwaltet die Kundentabelle einer Datenbank.

  --database ZIEL    die Datenbank: ein Dateipfad (relativ zum aktuellen
                     Ordner) oder eine PostgreSQL-URL, zum Beispiel
                     postgresql://ann@db1:5432,db2:5432/shop?target_session_attrs=read-write
  --help             diese Hilfe anzeigen und beenden
  --version          die Version anzeigen und beenden

Die Datenbank ist die erste der folgenden:
  1.  die Option --database;
  2.  die Umgebungsvariable TALLYHOUSE_DATABASE (ein Pfad oder eine URL wie oben);
  3.  eine Zeile database=ZIEL in der Einstellungsdatei tallyhouse.ini neben dem
      Programm, sonst in $XDG_CONFIG_HOME/Tallyhouse (~/.config/Tallyhouse);
      ein relativer Pfad dort geht vom Ordner der Einstellungsdatei aus;
  4.  db40.mdb neben dem Programm, falls vorhanden;
  5.  db40.mdb in $XDG_DATA_HOME/Tallyhouse (~/.local/share/Tallyhouse),
      falls vorhanden;
  6.  sonst bietet das Programm an, dort wie in 5 eine neue, leere Datenbank
      anzulegen.
Eine mit 1 bis 3 angegebene Datenbank, die nicht existiert, ist ein Fehler.

Ein ZIEL kann auch eine libpq-Verbindungszeichenkette sein
(host=db1 dbname=shop).
Ein ZIEL enthält nie ein Passwort: Ein ZIEL mit Passwort wird abgelehnt, wo
immer es steht. Der PostgreSQL-Client nimmt das Passwort aus ~/.pgpass, PGPASSWORD
oder einer PostgreSQL-Dienstdatei, oder das Programm fragt danach, wenn der
Server eines verlangt.
</translation>
    </message>
    <message>
        <source>named by the %1</source>
        <translation>angegeben in %1</translation>
    </message>
    <message>
        <source>--database option</source>
        <translation>der Option --database</translation>
    </message>
    <message>
        <source>environment variable %1</source>
        <translation>der Umgebungsvariable %1</translation>
    </message>
    <message>
        <source>settings file %1</source>
        <translation>der Einstellungsdatei %1</translation>
    </message>
</context>
<context>
    <name>DeletedCustomersDialog</name>
    <message>
        <source>&amp;Bring back</source>
        <translation>&amp;Zurückholen</translation>
    </message>
    <message>
        <source>Deleted customers</source>
        <translation>Gelöschte Kunden</translation>
    </message>
    <message>
        <source>Bring back the chosen customer</source>
        <translation>Den gewählten Kunden zurückholen</translation>
    </message>
    <message>
        <source>No deleted customer is listed.</source>
        <translation>Kein gelöschter Kunde ist aufgelistet.</translation>
    </message>
    <message numerus="yes">
        <source>%n deleted customers, the latest deleted first.</source>
        <translation>
            <numerusform>%n gelöschter Kunde, der zuletzt gelöschte zuerst.</numerusform>
            <numerusform>%n gelöschte Kunden, der zuletzt gelöschte zuerst.</numerusform>
        </translation>
    </message>
    <message>
        <source> More follow.</source>
        <translation> Weitere folgen.</translation>
    </message>
</context>
<context>
    <name>Dialect</name>
    <message>
        <source>The %1 names a server database together with its password. A password must never be written there: take it out, and keep it in ~/.pgpass, in PGPASSWORD or in a PostgreSQL service file; the program asks for it when the server wants one.</source>
        <translation>In %1 ist eine Serverdatenbank samt Passwort angegeben. Dort darf nie ein Passwort stehen: Entfernen Sie es und legen Sie es in ~/.pgpass, in PGPASSWORD oder in einer PostgreSQL-Dienstdatei ab; das Programm fragt danach, wenn der Server eines verlangt.</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
    <message>
        <source>Nothing was changed: try again in a moment.</source>
        <translation>Es wurde nichts geändert. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>The list still shows the rows it showed before; it follows the filter box as soon as the database is free.</source>
        <translation>Die Liste zeigt noch die bisherigen Zeilen; sie folgt dem Filter, sobald die Datenbank frei ist.</translation>
    </message>
    <message>
        <source> The list is read again as soon as the database can be read.</source>
        <translation> Die Liste wird neu gelesen, sobald die Datenbank lesbar ist.</translation>
    </message>
    <message>
        <source>The add was cancelled.</source>
        <translation>Das Hinzufügen wurde abgebrochen.</translation>
    </message>
    <message>
        <source>The record was saved.</source>
        <translation>Der Datensatz wurde gespeichert.</translation>
    </message>
    <message>
        <source>The record was not saved.</source>
        <translation>Der Datensatz wurde nicht gespeichert.</translation>
    </message>
    <message>
        <source>Another program changed this record after it was shown. Your changes were not saved; the record as it is now is shown.</source>
        <translation>Ein anderes Programm hat diesen Datensatz geändert, nachdem er angezeigt wurde. Ihre Änderungen wurden nicht gespeichert; angezeigt wird der aktuelle Stand.</translation>
    </message>
    <message>
        <source>Another program deleted this record after it was shown. Your changes were not saved.</source>
        <translation>Ein anderes Programm hat diesen Datensatz gelöscht, nachdem er angezeigt wurde. Ihre Änderungen wurden nicht gespeichert.</translation>
    </message>
    <message>
        <source>Comfirm Delete?</source>
        <translation>Löschen bestätigen?</translation>
    </message>
    <message>
        <source>Do you really want to delete this record?</source>
        <translation>Möchten Sie diesen Datensatz wirklich löschen?</translation>
    </message>
    <message>
        <source>Another program deleted this record already.</source>
        <translation>Ein anderes Programm hat diesen Datensatz bereits gelöscht.</translation>
    </message>
    <message>
        <source>The record was not deleted.</source>
        <translation>Der Datensatz wurde nicht gelöscht.</translation>
    </message>
    <message>
        <source>The record was deleted.</source>
        <translation>Der Datensatz wurde gelöscht.</translation>
    </message>
    <message>
        <source>at least %1 (counting)</source>
        <translation>mindestens %1 (wird gezählt)</translation>
    </message>
    <message>
        <source>New customer</source>
        <translation>Neuer Kunde</translation>
    </message>
    <message>
        <source>Editing customer %1</source>
        <translation>Kunde %1 wird bearbeitet</translation>
    </message>
    <message>
        <source>No customers yet</source>
        <translation>Noch keine Kunden</translation>
    </message>
    <message>
        <source>No customer matches</source>
        <translation>Kein passender Kunde</translation>
    </message>
    <message>
        <source>%1 customers</source>
        <translation>%1 Kunden</translation>
    </message>
    <message>
        <source>Customer %1 of %2</source>
        <translation>Kunde %1 von %2</translation>
    </message>
    <message>
        <source> whose %1 begins with &quot;%2&quot;</source>
        <translation>, deren %1 mit „%2“ beginnt</translation>
    </message>
    <message>
        <source>first name</source>
        <translation>Vorname</translation>
    </message>
    <message>
        <source>last name</source>
        <translation>Nachname</translation>
    </message>
    <message>
        <source>The customers were not exported.</source>
        <translation>Die Kunden wurden nicht exportiert.</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation>%1 kann nicht geschrieben werden: %2.</translation>
    </message>
    <message>
        <source>Nothing was imported.</source>
        <translation>Es wurde nichts importiert.</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>%1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Importing customers from %1...</source>
        <translation>Kunden werden aus %1 importiert …</translation>
    </message>
    <message>
        <source>

%1 is not UTF-8: it was read as Windows-1252.</source>
        <translation>

%1 ist nicht in UTF-8 und wurde als Windows-1252 gelesen.</translation>
    </message>
    <message>
        <source> All of them</source>
        <translation> Alle</translation>
    </message>
    <message>
        <source> %1 of them</source>
        <translation> %1 davon</translation>
    </message>
    <message>
        <source> got new numbers: theirs belonged to other customers.</source>
        <translation> erhielten neue Nummern, da ihre bereits anderen Kunden gehörten.</translation>
    </message>
    <message>
        <source>The customers may have been imported: look for them in the list before you import the file again.</source>
        <translation>Die Kunden wurden möglicherweise importiert: Suchen Sie sie in der Liste, bevor Sie die Datei erneut importieren.</translation>
    </message>
    <message numerus="yes">
        <source>%n customers</source>
        <translation>
            <numerusform>%n Kunde</numerusform>
            <numerusform>%n Kunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Exporting %n customers to %1...</source>
        <translation>
            <numerusform>%n Kunde wird nach %1 exportiert …</numerusform>
            <numerusform>%n Kunden werden nach %1 exportiert …</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n customers were imported from %1.</source>
        <translation>
            <numerusform>%n Kunde wurde aus %1 importiert.</numerusform>
            <numerusform>%n Kunden wurden aus %1 importiert.</numerusform>
        </translation>
    </message>
    <message>
        <source>customer %1, %2 %3</source>
        <translation>Kunde %1, %2 %3</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Add %1</source>
        <translation>%1 hinzufügen</translation>
    </message>
    <message>
        <source>Delete %1</source>
        <translation>%1 löschen</translation>
    </message>
    <message>
        <source>Save %1</source>
        <translation>%1 speichern</translation>
    </message>
    <message>
        <source>Deleted %1: Ctrl+Z brings it back.</source>
        <translation>Gelöscht: %1. Strg+Z holt ihn zurück.</translation>
    </message>
    <message>
        <source>Nothing was undone.</source>
        <translation>Nichts wurde rückgängig gemacht.</translation>
    </message>
    <message>
        <source>Nothing was done again.</source>
        <translation>Nichts wurde wiederholt.</translation>
    </message>
    <message>
        <source>Another program changed %1 after this window&apos;s change. %2 The customer as it is now is shown.</source>
        <translation>Ein anderes Programm hat %1 nach der Änderung in diesem Fenster geändert. %2 Der Kunde wird gezeigt, wie er jetzt ist.</translation>
    </message>
    <message>
        <source>Another program deleted %1 after this window&apos;s change. %2</source>
        <translation>Ein anderes Programm hat %1 nach der Änderung in diesem Fenster gelöscht. %2</translation>
    </message>
    <message>
        <source>Another program added a customer under the number %1 meanwhile. %2</source>
        <translation>Ein anderes Programm hat inzwischen einen Kunden unter der Nummer %1 hinzugefügt. %2</translation>
    </message>
    <message>
        <source>The change was undone.</source>
        <translation>Die Änderung wurde rückgängig gemacht.</translation>
    </message>
    <message>
        <source>The change was done again.</source>
        <translation>Die Änderung wurde wiederholt.</translation>
    </message>
    <message>
        <source> The history of the customers cannot be read: your database user may not be allowed to read it, or this database does not keep it.</source>
        <translation> Der Verlauf der Kunden kann nicht gelesen werden: Ihr Datenbankbenutzer darf ihn vielleicht nicht lesen, oder diese Datenbank führt keinen.</translation>
    </message>
    <message>
        <source>The deleted customers cannot be listed.</source>
        <translation>Die gelöschten Kunden können nicht aufgelistet werden.</translation>
    </message>
    <message>
        <source>Nothing was brought back.</source>
        <translation>Es wurde nichts zurückgeholt.</translation>
    </message>
    <message>
        <source>Another program added a customer under the number %1 meanwhile, or it was brought back already. %2</source>
        <translation>Ein anderes Programm hat inzwischen einen Kunden unter der Nummer %1 hinzugefügt, oder er wurde schon zurückgeholt. %2</translation>
    </message>
    <message>
        <source>%1 was brought back.</source>
        <translation>%1 wurde zurückgeholt.</translation>
    </message>
    <message>
        <source>The history of %1 cannot be shown.</source>
        <translation>Der Verlauf von %1 kann nicht gezeigt werden.</translation>
    </message>
    <message>
        <source>The version was not restored.</source>
        <translation>Die Version wurde nicht wiederhergestellt.</translation>
    </message>
    <message>
        <source>Another program changed %1 after it was shown. %2 The customer as it is now is shown.</source>
        <translation>Ein anderes Programm hat %1 geändert, nachdem er gezeigt wurde. %2 Der Kunde wird gezeigt, wie er jetzt ist.</translation>
    </message>
    <message>
        <source>Another program deleted %1 after it was shown. %2</source>
        <translation>Ein anderes Programm hat %1 gelöscht, nachdem er gezeigt wurde. %2</translation>
    </message>
    <message>
        <source>The version was restored.</source>
        <translation>Die Version wurde wiederhergestellt.</translation>
    </message>
    <message>
        <source>Import %1</source>
        <translation>%1 importieren</translation>
    </message>
    <message numerus="yes">
        <source>Another program changed or deleted some of the %n customers imported since. %1</source>
        <translation>
            <numerusform>Ein anderes Programm hat den %n importierten Kunden seither geändert oder gelöscht. %1</numerusform>
            <numerusform>Ein anderes Programm hat seither einige der %n importierten Kunden geändert oder gelöscht. %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Another program added customers under the numbers of the %n customers imported meanwhile. %1</source>
        <translation>
            <numerusform>Ein anderes Programm hat inzwischen einen Kunden unter der Nummer des %n importierten Kunden hinzugefügt. %1</numerusform>
            <numerusform>Ein anderes Programm hat inzwischen Kunden unter den Nummern der %n importierten Kunden hinzugefügt. %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing was printed.</source>
        <translation>Es wurde nichts gedruckt.</translation>
    </message>
    <message>
        <source>The customers changed while they were printed, so that the pages would be numbered wrong. Print them again.</source>
        <translation>Die Kunden haben sich während des Druckens geändert, sodass die Seiten falsch nummeriert wären. Drucken Sie sie erneut.</translation>
    </message>
    <message>
        <source>Print preview</source>
        <translation>Druckvorschau</translation>
    </message>
    <message numerus="yes">
        <source>Print preview of the first %n customers</source>
        <translation>
            <numerusform>Druckvorschau des ersten Kunden</numerusform>
            <numerusform>Druckvorschau der ersten %n Kunden</numerusform>
        </translation>
    </message>
    <message>
        <source>Printing the listed customers...</source>
        <translation>Die aufgelisteten Kunden werden gedruckt …</translation>
    </message>
    <message>
        <source>Colu&amp;mns</source>
        <translation>Spa&amp;lten</translation>
    </message>
    <message>
        <source>, sorted by %1 descending</source>
        <translation>, absteigend nach %1 sortiert</translation>
    </message>
    <message>
        <source>, sorted by %1 ascending</source>
        <translation>, aufsteigend nach %1 sortiert</translation>
    </message>
</context>
<context>
    <name>Form1Controls</name>
    <message>
        <source>Customer Information</source>
        <translation>Kundendaten</translation>
    </message>
    <message>
        <source>Filter:</source>
        <translation>Filter:</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>B&amp;eenden</translation>
    </message>
    <message>
        <source>&amp;First</source>
        <translation>&amp;Anfang</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Weiter</translation>
    </message>
    <message>
        <source>&amp;Last</source>
        <translation>En&amp;de</translation>
    </message>
    <message>
        <source>First Name</source>
        <translation>Vorname</translation>
    </message>
    <message>
        <source>Last Name</source>
        <translation>Nachname</translation>
    </message>
    <message>
        <source>Customers</source>
        <translation>Kunden</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>The database is in use by another program, which holds it locked (%1).</source>
        <translation>Die Datenbank wird von einem anderen Programm verwendet, das sie gesperrt hält (%1).</translation>
    </message>
    <message>
        <source>Run-time error &apos;%1&apos;:

%2</source>
        <translation>Laufzeitfehler „%1“:

%2</translation>
    </message>
    <message>
        <source> Nothing you typed is lost: try again in a moment.</source>
        <translation> Ihre Eingaben bleiben erhalten. Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>%1

%2 (error %3)</source>
        <translation>%1

%2 (Fehler %3)</translation>
    </message>
    <message>
        <source>

Try again, or cancel to end the program.</source>
        <translation>

Wiederholen Sie den Vorgang, oder brechen Sie ab, um das Programm zu beenden.</translation>
    </message>
    <message>
        <source>No customer database was found. Create a new, empty one at %1?</source>
        <translation>Es wurde keine Kundendatenbank gefunden. Eine neue, leere unter %1 anlegen?</translation>
    </message>
    <message>
        <source>&amp;Create</source>
        <translation>&amp;Anlegen</translation>
    </message>
    <message>
        <source> Try again in a moment.</source>
        <translation> Bitte versuchen Sie es gleich noch einmal.</translation>
    </message>
    <message>
        <source>%1 (error %2)</source>
        <translation>%1 (Fehler %2)</translation>
    </message>
    <message>
        <source>%1

Password for the database %2:</source>
        <translation>%1

Passwort für die Datenbank %2:</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>The record was not saved.

The %1 box holds %2 characters; it may hold at most %3. Nothing you typed is lost: shorten the text and save again.</source>
        <translation>Der Datensatz wurde nicht gespeichert.

Das Feld %1 enthält %2 Zeichen; es darf höchstens %3 enthalten. Nichts von Ihrer Eingabe geht verloren: Kürzen Sie den Text und speichern Sie erneut.</translation>
    </message>
    <message numerus="yes">
        <source>%1 was made by Microsoft Access. Tallyhouse can copy its %n customers into a new database and work on that; the Access file stays as it is. Copy them?</source>
        <translation>
            <numerusform>%1 wurde mit Microsoft Access erstellt. Tallyhouse kann den %n Kunden daraus in eine neue Datenbank kopieren und mit dieser arbeiten; die Access-Datei bleibt unverändert. Jetzt kopieren?</numerusform>
            <numerusform>%1 wurde mit Microsoft Access erstellt. Tallyhouse kann die %n Kunden daraus in eine neue Datenbank kopieren und mit dieser arbeiten; die Access-Datei bleibt unverändert. Jetzt kopieren?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Mkdb</name>
    <message>
        <source>row</source>
        <translation>Zeile</translation>
    </message>
    <message>
        <source>; nothing was created</source>
        <translation>; es wurde nichts angelegt</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>%1 is not UTF-8: it was read as Windows-1252.</source>
        <translation>%1 ist nicht in UTF-8 und wurde als Windows-1252 gelesen.</translation>
    </message>
    <message>
        <source>%1: %2; nothing was imported</source>
        <translation>%1: %2; es wurde nichts importiert</translation>
    </message>
    <message>
        <source>%1 of them got new numbers: theirs belonged to other customers.</source>
        <translation>%1 davon erhielten neue Nummern, da ihre bereits anderen Kunden gehörten.</translation>
    </message>
    <message>
        <source>; nothing was imported</source>
        <translation>; es wurde nichts importiert</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 braucht einen Wert</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>unbekannte Option %1</translation>
    </message>
    <message>
        <source>%1 needs a whole number, not &quot;%2&quot;</source>
        <translation>%1 braucht eine ganze Zahl, nicht „%2“</translation>
    </message>
    <message>
        <source>name one database</source>
        <translation>bitte genau eine Datenbank angeben</translation>
    </message>
    <message>
        <source>%1 is a Microsoft Access database, not a CSV file: to bring its customers over, copy them into a new database with --copy-from %1</source>
        <translation>%1 ist eine Microsoft-Access-Datenbank, keine CSV-Datei: Um ihre Kunden zu übernehmen, kopieren Sie sie mit --copy-from %1 in eine neue Datenbank</translation>
    </message>
    <message>
        <source>target</source>
        <translation>dem Ziel</translation>
    </message>
    <message>
        <source>--copy-from source</source>
        <translation>der Quelle von --copy-from</translation>
    </message>
    <message numerus="yes">
        <source>Copied %n customers from %1 into %2.</source>
        <translation>
            <numerusform>%n Kunde von %1 nach %2 kopiert.</numerusform>
            <numerusform>%n Kunden von %1 nach %2 kopiert.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Imported %n customers into %1.</source>
        <translation>
            <numerusform>%n Kunde in %1 importiert.</numerusform>
            <numerusform>%n Kunden in %1 importiert.</numerusform>
        </translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message numerus="yes">
        <source>Wrote %n versions of the customers of %1 to %2.</source>
        <translation>
            <numerusform>%n Fassung der Kunden von %1 nach %2 geschrieben.</numerusform>
            <numerusform>%n Fassungen der Kunden von %1 nach %2 geschrieben.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Forgot %n versions older than %1.</source>
        <translation>
            <numerusform>%n Fassung vor dem %1 vergessen.</numerusform>
            <numerusform>%n Fassungen vor dem %1 vergessen.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 needs a date as YYYY-MM-DD, not &quot;%2&quot;</source>
        <translation>%1 braucht ein Datum als JJJJ-MM-TT, nicht „%2“</translation>
    </message>
    <message>
        <source>Usage: tallyhouse-mkdb TARGET [--rows N [--seed S] | --empty | --copy-from SOURCE]
  or:  tallyhouse-mkdb --import FILE.csv TARGET
  or:  tallyhouse-mkdb --export-history FILE.csv TARGET
  or:  tallyhouse-mkdb --forget-history-before DATE TARGET
  or:  tallyhouse-mkdb --print-pdf FILE.pdf [--labels SHEET]
                       [--first-name-prefix TEXT | --last-name-prefix TEXT] TARGET
</source>
        <translation>Aufruf: tallyhouse-mkdb ZIEL [--rows N [--seed S] | --empty | --copy-from QUELLE]
  oder: tallyhouse-mkdb --import DATEI.csv ZIEL
  oder: tallyhouse-mkdb --export-history DATEI.csv ZIEL
  oder: tallyhouse-mkdb --forget-history-before DATUM ZIEL
  oder: tallyhouse-mkdb --print-pdf DATEI.pdf [--labels BOGEN]
                        [--first-name-prefix TEXT | --last-name-prefix TEXT] ZIEL
</translation>
    </message>
    <message>
        <source>the customers changed while they were printed, so that the pages would be numbered wrong; %1 was not written: print again</source>
        <translation>die Kunden haben sich während des Druckens geändert, sodass die Seiten falsch nummeriert wären; %1 wurde nicht geschrieben: drucken Sie erneut</translation>
    </message>
    <message numerus="yes">
        <source>Printed %n customers of %1 to %2.</source>
        <translation>
            <numerusform>%n Kunde von %1 nach %2 gedruckt.</numerusform>
            <numerusform>%n Kunden von %1 nach %2 gedruckt.</numerusform>
        </translation>
    </message>
    <message>
        <source>; %1 was not written</source>
        <translation>; %1 wurde nicht geschrieben</translation>
    </message>
    <message>
        <source>%1 needs a4-3x8, a4-3x7 or letter-3x10, not &quot;%2&quot;</source>
        <translation>%1 braucht a4-3x8, a4-3x7 oder letter-3x10, nicht „%2“</translation>
    </message>
    <message>
        <source>--first-name-prefix and --last-name-prefix do not go together</source>
        <translation>--first-name-prefix und --last-name-prefix passen nicht zusammen</translation>
    </message>
    <message>
        <source>--rows, --empty, --copy-from, --import, --export-history, --forget-history-before and --print-pdf do not go together</source>
        <translation>--rows, --empty, --copy-from, --import, --export-history, --forget-history-before und --print-pdf passen nicht zusammen</translation>
    </message>
    <message>
        <source>--labels, --first-name-prefix and --last-name-prefix go with --print-pdf</source>
        <translation>--labels, --first-name-prefix und --last-name-prefix gehören zu --print-pdf</translation>
    </message>
    <message>
        <source>
Makes a new customer database, adds the customers of a CSV file to one, or
prints its customers to a PDF file.
TARGET and SOURCE are database files, PostgreSQL URLs or libpq connection
strings (host=db1 dbname=shop), never with a password: ~/.pgpass, PGPASSWORD
or a PostgreSQL service file gives it. SOURCE may also be a Microsoft Access
file, whose customers are copied; Tallyhouse never writes one.

  --rows N            N generated customers instead of the sample ones
  --seed S            the seed of the generated customers (default 1)
  --empty             the table dept without customers
  --copy-from SOURCE  every customer of another database, keys and all
  --import FILE.csv   adds the customers of a CSV file to an existing database
  --export-history FILE.csv
                      writes every version of every customer, oldest first,
                      to a CSV file (times in UTC)
  --forget-history-before DATE
                      forgets the versions older than DATE (YYYY-MM-DD, from
                      midnight local time), in one transaction
  --print-pdf FILE.pdf  writes the list of customers to a PDF file, as the
                      window prints it: every text whole, &quot;Page N of M&quot; at
                      the foot, on A4 or US Letter as the locale&apos;s paper is
                      (LC_PAPER), in landscape when the columns need it
  --labels SHEET      address labels instead, one a customer, on sheets of
                      a4-3x8 (70 x 37 mm), a4-3x7 (63.5 x 38.1 mm) or
                      letter-3x10 (2 5/8 x 1 in)
  --first-name-prefix TEXT, --last-name-prefix TEXT
                      only the customers whose first (last) name begins with
                      TEXT, in name order, as the window&apos;s filter lists them
  --help              show this text and end
  --version           show the version and end

Creating never touches an existing file, nor a server database that has a
table dept already; the table and its customers are made in one transaction.
An import adds all the customers of the file or none. A PDF file is written
whole or not at all.

The database keeps every version of every customer in the table dept_history:
each insert, update and delete of dept, by any program, with its time and
its author.
</source>
        <translation>
Legt eine neue Kundendatenbank an, fügt einer Datenbank die Kunden einer
CSV-Datei hinzu oder druckt ihre Kunden in eine PDF-Datei. ZIEL und QUELLE
sind Datenbankdateien, PostgreSQL-URLs oder
libpq-Verbindungszeichenketten (host=db1 dbname=shop), nie mit Passwort: Das
kommt aus ~/.pgpass, PGPASSWORD oder einer PostgreSQL-Dienstdatei. QUELLE kann
auch eine Microsoft-Access-Datei sein, deren Kunden kopiert werden; Tallyhouse
schreibt nie in eine solche Datei.

  --rows N            N erzeugte Kunden statt der Beispielkunden
  --seed S            Startwert für die erzeugten Kunden (Vorgabe: 1)
  --empty             die Tabelle dept ohne Kunden
  --copy-from QUELLE  alle Kunden einer anderen Datenbank, samt Schlüsseln
  --import DATEI.csv  fügt die Kunden einer CSV-Datei einer bestehenden Datenbank hinzu
  --export-history DATEI.csv
                      schreibt jede Fassung jedes Kunden, die älteste zuerst,
                      in eine CSV-Datei (Zeiten in UTC)
  --forget-history-before DATUM
                      vergisst die Fassungen, die älter als DATUM sind (JJJJ-MM-TT,
                      ab Mitternacht Ortszeit), in einer einzigen Transaktion
  --print-pdf DATEI.pdf
                      schreibt die Kundenliste in eine PDF-Datei, wie das Fenster
                      sie druckt: jeder Text ganz, „Seite N von M“ am Fuß, auf A4
                      oder US Letter, wie es das Papier der Locale ist (LC_PAPER),
                      im Querformat, wenn die Spalten es brauchen
  --labels BOGEN      stattdessen Adressetiketten, eines je Kunde, auf Bögen
                      a4-3x8 (70 x 37 mm), a4-3x7 (63,5 x 38,1 mm) oder
                      letter-3x10 (2 5/8 x 1 Zoll)
  --first-name-prefix TEXT, --last-name-prefix TEXT
                      nur die Kunden, deren Vorname (Nachname) mit TEXT beginnt,
                      nach Namen geordnet, wie der Filter des Fensters sie listet
  --help              diese Hilfe anzeigen und beenden
  --version           die Version anzeigen und beenden

Eine bestehende Datei wird nie angetastet, ebenso wenig eine Serverdatenbank,
die bereits eine Tabelle dept hat; Tabelle und Kunden entstehen in einer
einzigen Transaktion. Ein Import fügt alle Kunden der Datei hinzu oder keinen.
Eine PDF-Datei wird ganz oder gar nicht geschrieben.

Die Datenbank bewahrt jede Fassung jedes Kunden in der Tabelle dept_history auf:
jedes Einfügen, Ändern und Löschen in dept, durch welches Programm auch immer,
mit Zeit und Urheber.
</translation>
    </message>
</context>
<context>
    <name>PgDialect</name>
    <message>
        <source>(a URL that cannot be read)</source>
        <translation>(eine unlesbare URL)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; on %2</source>
        <translation>„%1“ auf %2</translation>
    </message>
    <message>
        <source>The database %1 cannot store the character NUL (U+0000), which a text holds.</source>
        <translation>Die Datenbank %1 kann das Zeichen NUL (U+0000) in einem Text nicht speichern.</translation>
    </message>
</context>
<context>
    <name>PgSession</name>
    <message>
        <source>Cannot open the database %1: </source>
        <translation>Die Datenbank %1 kann nicht geöffnet werden: </translation>
    </message>
    <message>
        <source>the URL cannot be read.</source>
        <translation>die URL ist nicht lesbar.</translation>
    </message>
    <message>
        <source>The database %1 cannot be reached: %2</source>
        <translation>Die Datenbank %1 ist nicht erreichbar: %2</translation>
    </message>
    <message>
        <source>the connection was lost</source>
        <translation>die Verbindung ist abgebrochen</translation>
    </message>
    <message>
        <source>The database %1 does not answer.</source>
        <translation>Die Datenbank %1 antwortet nicht.</translation>
    </message>
    <message>
        <source>The statement was not run after an earlier one failed.</source>
        <translation>Die Anweisung wurde nicht ausgeführt, weil eine frühere fehlschlug.</translation>
    </message>
    <message>
        <source>The connection to the database %1 was closed.</source>
        <translation>Die Verbindung zur Datenbank %1 wurde geschlossen.</translation>
    </message>
    <message numerus="yes">
        <source>no answer within %n seconds</source>
        <translation>
            <numerusform>keine Antwort innerhalb von %n Sekunde</numerusform>
            <numerusform>keine Antwort innerhalb von %n Sekunden</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Print</name>
    <message>
        <source>First name begins with &quot;%1&quot;</source>
        <translation>Vorname beginnt mit „%1“</translation>
    </message>
    <message>
        <source>Last name begins with &quot;%1&quot;</source>
        <translation>Nachname beginnt mit „%1“</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Customers</source>
        <translation>Kunden</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>Page %1</source>
        <translation>Seite %1</translation>
    </message>
    <message>
        <source>Customer %1</source>
        <translation>Kunde %1</translation>
    </message>
    <message>
        <source>A4, 3 × 8 labels of 70 × 37 mm</source>
        <translation>A4, 3 × 8 Etiketten zu 70 × 37 mm</translation>
    </message>
    <message>
        <source>A4, 3 × 7 labels of 63.5 × 38.1 mm</source>
        <translation>A4, 3 × 7 Etiketten zu 63,5 × 38,1 mm</translation>
    </message>
    <message>
        <source>US Letter, 3 × 10 labels of 2 5/8 × 1 in</source>
        <translation>US Letter, 3 × 10 Etiketten zu 2 5/8 × 1 Zoll</translation>
    </message>
    <message>
        <source>Print the listed customers</source>
        <translation>Die aufgelisteten Kunden drucken</translation>
    </message>
    <message>
        <source>Print this customer</source>
        <translation>Diesen Kunden drucken</translation>
    </message>
    <message>
        <source>Print address labels</source>
        <translation>Adressetiketten drucken</translation>
    </message>
    <message>
        <source>Labels</source>
        <translation>Etiketten</translation>
    </message>
    <message>
        <source>Label sheet</source>
        <translation>Etikettenbogen</translation>
    </message>
    <message>
        <source>&amp;Sheet:</source>
        <translation>&amp;Bogen:</translation>
    </message>
    <message>
        <source>Address labels</source>
        <translation>Adressetiketten</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>%1 %2
Copyright (C) 2026 The Tallyhouse developers
License GPLv3+: GNU GPL version 3 or later &lt;https://gnu.org/licenses/gpl.html&gt;.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
</source>
        <extracomment>The text of --version: %1 is the program&apos;s name, %2 its version.</extracomment>
        <translation>%1 %2
Copyright (C) 2026 Die Tallyhouse-Entwickler
Lizenz GPLv3+: GNU GPL Version 3 oder neuer &lt;https://gnu.org/licenses/gpl.html&gt;.
Dies ist freie Software: Sie dürfen sie ändern und weitergeben.
Es gibt KEINE GARANTIE, soweit gesetzlich zulässig.
</translation>
    </message>
</context>
<context>
    <name>RecordSet</name>
    <message>
        <source>The record set holds no rows.</source>
        <translation>Die Datensatzgruppe enthält keine Zeilen.</translation>
    </message>
    <message>
        <source>Row %1 does not exist.</source>
        <translation>Zeile %1 existiert nicht.</translation>
    </message>
    <message>
        <source>There is no current row.</source>
        <translation>Es gibt keine aktuelle Zeile.</translation>
    </message>
    <message>
        <source>The list was read again meanwhile.</source>
        <translation>Die Liste wurde inzwischen neu gelesen.</translation>
    </message>
</context>
<context>
    <name>SqliteSession</name>
    <message>
        <source>Cannot open the database %1: </source>
        <translation>Die Datenbank %1 kann nicht geöffnet werden: </translation>
    </message>
    <message>
        <source>the file does not exist.</source>
        <translation>die Datei existiert nicht.</translation>
    </message>
    <message>
        <source>Cannot create the database &quot;%1&quot;: </source>
        <translation>Die Datenbank „%1“ kann nicht angelegt werden: </translation>
    </message>
    <message>
        <source>the file exists already; it is left as it is.</source>
        <translation>die Datei existiert bereits und bleibt unverändert.</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>nicht genügend Speicher</translation>
    </message>
    <message>
        <source>The database %1 </source>
        <translation>Die Datenbank %1 </translation>
    </message>
    <message>
        <source>was deleted or moved while the program was running.</source>
        <translation>wurde während der Laufzeit des Programms gelöscht oder verschoben.</translation>
    </message>
    <message>
        <source>was replaced by another file while the program was running.</source>
        <translation>wurde während der Laufzeit des Programms durch eine andere Datei ersetzt.</translation>
    </message>
    <message>
        <source>is read-only: %1.</source>
        <translation>ist schreibgeschützt: %1.</translation>
    </message>
    <message>
        <source>The database %1 is not open.</source>
        <translation>Die Datenbank %1 ist nicht geöffnet.</translation>
    </message>
    <message>
        <source>The statement was given up.</source>
        <translation>Die Anweisung wurde aufgegeben.</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>%1

The database was %2.</source>
        <translation>%1

Herkunft der Datenbank: %2.</translation>
    </message>
    <message>
        <source>The Access database %1 cannot be copied: %2. Nothing was written.</source>
        <translation>Die Access-Datenbank %1 kann nicht kopiert werden: %2. Es wurde nichts geschrieben.</translation>
    </message>
</context>
<context>
    <name>Transfer</name>
    <message>
        <source>&amp;Export listed customers...</source>
        <translation>Aufgelistete Kunden &amp;exportieren …</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>&amp;Import customers...</source>
        <translation>Kunden &amp;importieren …</translation>
    </message>
    <message>
        <source>Export listed customers</source>
        <translation>Aufgelistete Kunden exportieren</translation>
    </message>
    <message>
        <source>Import customers</source>
        <translation>Kunden importieren</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV-Dateien (*.csv)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Deleted customers...</source>
        <translation>&amp;Gelöschte Kunden …</translation>
    </message>
    <message>
        <source>&amp;History of this customer...</source>
        <translation>&amp;Verlauf dieses Kunden …</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>&amp;Drucken …</translation>
    </message>
    <message>
        <source>Print pre&amp;view...</source>
        <translation>Dru&amp;ckvorschau …</translation>
    </message>
    <message>
        <source>Print this c&amp;ustomer...</source>
        <translation>Diesen Kunden d&amp;rucken …</translation>
    </message>
    <message>
        <source>Print address &amp;labels...</source>
        <translation>Adressetike&amp;tten drucken …</translation>
    </message>
</context>
<context>
    <name>VersionsDialog</name>
    <message>
        <source>another program</source>
        <translation>ein anderes Programm</translation>
    </message>
    <message>
        <source>&amp;More</source>
        <translation>&amp;Mehr</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>More: read older versions</source>
        <translation>Mehr: ältere Versionen lesen</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>Lesen</translation>
    </message>
    <message>
        <source>%1 (changed)</source>
        <translation>%1 (geändert)</translation>
    </message>
    <message>
        <source>Reading older versions...</source>
        <translation>Ältere Versionen werden gelesen …</translation>
    </message>
    <message>
        <source>The older versions cannot be read now: %1 Try More again in a moment.</source>
        <translation>Die älteren Versionen können jetzt nicht gelesen werden: %1 Versuchen Sie es gleich noch einmal mit Mehr.</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Nummer</translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>Gelöscht</translation>
    </message>
    <message>
        <source>Deleted by</source>
        <translation>Gelöscht von</translation>
    </message>
    <message>
        <source>When</source>
        <translation>Wann</translation>
    </message>
    <message>
        <source>Who</source>
        <translation>Wer</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Änderung</translation>
    </message>
</context>
</TS>
