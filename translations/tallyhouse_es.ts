<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>AccessFile</name>
    <message>
        <source>Cannot read the Access database %1: </source>
        <translation>No se puede leer la base de datos de Access %1: </translation>
    </message>
    <message>
        <source>the file is not an Access database.</source>
        <translation>el archivo no es una base de datos de Access.</translation>
    </message>
    <message>
        <source>the file is cut short: its %1 bytes hold no list of tables.</source>
        <translation>el archivo está truncado: sus %1 bytes no contienen ninguna lista de tablas.</translation>
    </message>
    <message>
        <source>the file is cut short: its %1 bytes end within a page of %2.</source>
        <translation>el archivo está truncado: sus %1 bytes terminan dentro de una página de %2.</translation>
    </message>
    <message>
        <source>libmdb cannot open it.</source>
        <translation>libmdb no puede abrirla.</translation>
    </message>
    <message>
        <source>its list of tables is damaged.</source>
        <translation>su lista de tablas está dañada.</translation>
    </message>
    <message>
        <source>it holds no table dept, nor any other table.</source>
        <translation>no contiene ninguna tabla dept, ni ninguna otra tabla.</translation>
    </message>
    <message>
        <source>it holds no table dept, only the table %1, which Tallyhouse does not keep.</source>
        <translation>no contiene ninguna tabla dept, solo la tabla %1, que Tallyhouse no gestiona.</translation>
    </message>
    <message>
        <source>it holds no table dept, only the tables %1, which Tallyhouse does not keep.</source>
        <translation>no contiene ninguna tabla dept, solo las tablas %1, que Tallyhouse no gestiona.</translation>
    </message>
    <message>
        <source>the definition of its table dept is damaged.</source>
        <translation>la definición de su tabla dept está dañada.</translation>
    </message>
    <message>
        <source>its table dept has no column %1</source>
        <translation>su tabla dept no tiene la columna %1</translation>
    </message>
    <message>
        <source>the column %1 holds binary data, which Tallyhouse cannot keep</source>
        <translation>la columna %1 contiene datos binarios, que Tallyhouse no puede guardar</translation>
    </message>
    <message>
        <source>a copy would leave behind its column %1, which Tallyhouse does not keep</source>
        <translation>una copia dejaría atrás su columna %1, que Tallyhouse no gestiona</translation>
    </message>
    <message>
        <source>The Access database %1 cannot be copied: %2. Its table dept must have exactly the columns %3.</source>
        <translation>No se puede copiar la base de datos de Access %1: %2. Su tabla dept debe tener exactamente las columnas %3.</translation>
    </message>
    <message>
        <source>; and </source>
        <translation>; y </translation>
    </message>
    <message>
        <source>the row is damaged and cannot be read</source>
        <translation>la fila está dañada y no se puede leer</translation>
    </message>
    <message>
        <source>the key %1 is empty</source>
        <translation>la clave %1 está vacía</translation>
    </message>
    <message>
        <source>the key %1 %2 is not a whole number</source>
        <translation>la clave %1 %2 no es un número entero</translation>
    </message>
    <message>
        <source>%1 %2 is not a number</source>
        <translation>%1 %2 no es un número</translation>
    </message>
    <message>
        <source>Cannot copy the Access database %1 into a new database beside it: </source>
        <translation>No se puede copiar la base de datos de Access %1 a una base de datos nueva junto a ella: </translation>
    </message>
    <message>
        <source>Cannot put the copy of the Access database %1 in its place: %2; nothing was changed.</source>
        <translation>No se puede poner la copia de la base de datos de Access %1 en su lugar: %2; no se ha cambiado nada.</translation>
    </message>
    <message>
        <source>it cannot be renamed to %1</source>
        <translation>no se puede cambiar su nombre a %1</translation>
    </message>
    <message>
        <source>the copy cannot be renamed to %1</source>
        <translation>no se puede cambiar el nombre de la copia a %1</translation>
    </message>
    <message>
        <source>row</source>
        <translation>fila</translation>
    </message>
    <message numerus="yes">
        <source>the file is damaged: its table dept holds %n customers, and only %1 of them can be read</source>
        <translation>
            <numerusform>el archivo está dañado: su tabla dept contiene %n cliente y solo se pueden leer %1 de ellos</numerusform>
            <numerusform>el archivo está dañado: su tabla dept contiene %n clientes y solo se pueden leer %1 de ellos</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of the customer %2 %3 holds the character NUL (U+0000), which no text may hold</source>
        <translation>%1 del cliente %2 %3 contiene el carácter NUL (U+0000), que ningún texto puede contener</translation>
    </message>
    <message>
        <source>the file is damaged: its column %1 has a type (0x%2) that Access does not know.</source>
        <translation>el archivo está dañado: su columna %1 tiene un tipo (0x%2) que Access no conoce.</translation>
    </message>
    <message>
        <source>Cannot read the Access database %1: the reader %2 cannot be started: %3.</source>
        <translation>No se puede leer la base de datos de Access %1: el lector %2 no se puede iniciar: %3.</translation>
    </message>
    <message>
        <source>reading it takes more than the %1 MB of memory allowed</source>
        <translation>leerla necesita más de los %1 MB de memoria permitidos</translation>
    </message>
    <message>
        <source>libmdb crashed reading it: %1</source>
        <translation>libmdb se bloqueó al leerla: %1</translation>
    </message>
    <message>
        <source>its reader ended with the status %1</source>
        <translation>su lector terminó con el estado %1</translation>
    </message>
    <message>
        <source>%1, after row %2</source>
        <translation>%1, después de la fila %2</translation>
    </message>
    <message>
        <source>The Access database %1 is damaged and cannot be read (%2).</source>
        <translation>La base de datos de Access %1 está dañada y no se puede leer (%2).</translation>
    </message>
    <message>
        <source>its reader gave an answer that cannot be understood</source>
        <translation>su lector dio una respuesta que no se puede entender</translation>
    </message>
    <message>
        <source>its long value is cut short</source>
        <translation>su valor largo está cortado</translation>
    </message>
    <message>
        <source>its long value holds %1 bytes where it declares %2</source>
        <translation>su valor largo contiene %1 bytes y declara %2</translation>
    </message>
    <message>
        <source>its long value has flags (0x%1) that Access does not write</source>
        <translation>su valor largo tiene indicadores (0x%1) que Access no escribe</translation>
    </message>
    <message>
        <source>its long value points at page %1, which holds no long value</source>
        <translation>su valor largo apunta a la página %1, que no contiene valores largos</translation>
    </message>
    <message>
        <source>the key %1 is damaged: %2</source>
        <translation>la clave %1 está dañada: %2</translation>
    </message>
    <message>
        <source>%1 of the customer %2 %3 is damaged: %4</source>
        <translation>%1 del cliente %2 %3 está dañado: %4</translation>
    </message>
    <message>
        <source>libmdb reports that the file is damaged: %1</source>
        <translation>libmdb informa de que el archivo está dañado: %1</translation>
    </message>
    <message numerus="yes">
        <source>libmdb gave no answer for %n seconds</source>
        <translation>
            <numerusform>libmdb no respondió durante %n segundo</numerusform>
            <numerusform>libmdb no respondió durante %n segundos</numerusform>
        </translation>
    </message>
    <message>
        <source>the map of the pages of its table dept is damaged.</source>
        <translation>el mapa de las páginas de su tabla dept está dañado.</translation>
    </message>
    <message>
        <source>the file is damaged: its column %1 has a type (0x%2) whose values it does not hold as Access does.</source>
        <translation>el archivo está dañado: su columna %1 tiene un tipo (0x%2) cuyos valores no guarda como Access los guarda.</translation>
    </message>
</context>
<context>
    <name>Connection</name>
    <message>
        <source>The database %1 cannot be reached: %2</source>
        <translation>No se puede acceder a la base de datos %1: %2</translation>
    </message>
    <message>
        <source>Cannot open the database %1: </source>
        <translation>No se puede abrir la base de datos %1: </translation>
    </message>
    <message>
        <source>The database connection is not open.</source>
        <translation>La conexión con la base de datos no está abierta.</translation>
    </message>
    <message>
        <source>The question was given up.</source>
        <translation>La consulta se abandonó.</translation>
    </message>
    <message>
        <source>The connection to the database was closed.</source>
        <translation>La conexión con la base de datos se cerró.</translation>
    </message>
</context>
<context>
    <name>CsvReader</name>
    <message>
        <source>the data cannot be read twice (it is not a file)</source>
        <translation>los datos no se pueden leer dos veces (no son un archivo)</translation>
    </message>
    <message>
        <source>cannot read the file: %1</source>
        <translation>no se puede leer el archivo: %1</translation>
    </message>
    <message>
        <source>the file is UTF-16 text; save it as CSV in UTF-8</source>
        <translation>el archivo es texto UTF-16; guárdelo como CSV en UTF-8</translation>
    </message>
    <message>
        <source>a quoted field has no closing quote</source>
        <translation>a un campo entre comillas le falta la comilla de cierre</translation>
    </message>
    <message>
        <source>a double quote is out of place: a field holding quotes must be quoted, and a closing quote must end the field</source>
        <translation>hay una comilla doble fuera de lugar: un campo que contiene comillas debe ir entre comillas, y la comilla de cierre debe terminar el campo</translation>
    </message>
    <message>
        <source> (in the record that begins on line %1)</source>
        <translation> (en el registro que empieza en la línea %1)</translation>
    </message>
    <message>
        <source>a field is longer than any text may be (%1 characters); is a closing quote missing?</source>
        <translation>un campo es más largo de lo que puede ser cualquier texto (%1 caracteres); ¿falta una comilla de cierre?</translation>
    </message>
    <message>
        <source>the record has more than %1 fields</source>
        <translation>el registro tiene más de %1 campos</translation>
    </message>
    <message>
        <source>the byte %1 in column %2 is not UTF-8, though the file holds UTF-8 characters elsewhere; save it again as CSV in UTF-8</source>
        <translation>el byte %1 de la columna %2 no es UTF-8, aunque el archivo tiene caracteres UTF-8 en otros lugares; guárdelo de nuevo como CSV en UTF-8</translation>
    </message>
    <message>
        <source>the file is not UTF-8, and read as Windows-1252 its byte %1 stands for no character; save it again as CSV in UTF-8</source>
        <translation>el archivo no es UTF-8, y leído como Windows-1252 su byte %1 no representa ningún carácter; guárdelo de nuevo como CSV en UTF-8</translation>
    </message>
</context>
<context>
    <name>CsvWriter</name>
    <message>
        <source>the data could not be written</source>
        <translation>no se pudieron escribir los datos</translation>
    </message>
</context>
<context>
    <name>CustomerColumn</name>
    <message>
        <source>First Name:</source>
        <translation>Nombre:</translation>
    </message>
    <message>
        <source>Last Name:</source>
        <translation>Apellidos:</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Dirección:</translation>
    </message>
    <message>
        <source>E-Mail:</source>
        <translation>Correo:</translation>
    </message>
    <message>
        <source>Phone #</source>
        <translation>Teléfono:</translation>
    </message>
    <message>
        <source>Credit Limit:</source>
        <translation>Crédito:</translation>
    </message>
    <message>
        <source>Dept. Name:</source>
        <translation>Dpto.:</translation>
    </message>
</context>
<context>
    <name>CustomerCsv</name>
    <message>
        <source>unknown column %1; the columns are %2</source>
        <translation>columna %1 desconocida; las columnas son %2</translation>
    </message>
    <message>
        <source>column %1 is named twice</source>
        <translation>la columna %1 aparece dos veces</translation>
    </message>
    <message>
        <source>the key %1 %2 is not a whole number</source>
        <translation>la clave %1 %2 no es un número entero</translation>
    </message>
    <message>
        <source>%1 %2 is not a number</source>
        <translation>%1 %2 no es un número</translation>
    </message>
    <message>
        <source>the file is empty; it needs a header line naming the columns</source>
        <translation>el archivo está vacío; necesita una línea de cabecera con los nombres de las columnas</translation>
    </message>
    <message>
        <source>the header line names no column</source>
        <translation>la línea de cabecera no nombra ninguna columna</translation>
    </message>
    <message>
        <source>field %1 holds %2 but its column has no heading</source>
        <translation>el campo %1 contiene %2, pero su columna no tiene cabecera</translation>
    </message>
    <message>
        <source>%1 where %2</source>
        <extracomment>%1 is &quot;the record has 3 fields&quot;, %2 &quot;the header names 2 columns&quot;.</extracomment>
        <translation>%1 y %2</translation>
    </message>
    <message numerus="yes">
        <source>the record has %n fields</source>
        <translation>
            <numerusform>el registro tiene %n campo</numerusform>
            <numerusform>el registro tiene %n campos</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the header names %n columns</source>
        <translation>
            <numerusform>la cabecera nombra %n columna</numerusform>
            <numerusform>la cabecera nombra %n columnas</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CustomerHistoryDialog</name>
    <message>
        <source>&amp;Restore this version</source>
        <translation>&amp;Restaurar esta versión</translation>
    </message>
    <message>
        <source>History of customer %1</source>
        <translation>Historial del cliente %1</translation>
    </message>
    <message>
        <source>Versions of customer %1</source>
        <translation>Versiones del cliente %1</translation>
    </message>
    <message>
        <source>Restore the chosen version</source>
        <translation>Restaurar la versión elegida</translation>
    </message>
    <message>
        <source>Added</source>
        <translation>Añadido</translation>
    </message>
    <message>
        <source>Changed</source>
        <translation>Cambiado</translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>Borrado</translation>
    </message>
    <message numerus="yes">
        <source>%n versions of customer %1, the latest first; the fields each change made are in bold.</source>
        <translation>
            <numerusform>%n versión del cliente %1, la última primero; los campos que cambió cada cambio están en negrita.</numerusform>
            <numerusform>%n versiones del cliente %1, la última primero; los campos que cambió cada cambio están en negrita.</numerusform>
        </translation>
    </message>
    <message>
        <source> More follow.</source>
        <translation> Siguen más.</translation>
    </message>
</context>
<context>
    <name>CustomerImport</name>
    <message>
        <source>the key %1 %2</source>
        <translation>la clave %1 %2</translation>
    </message>
    <message>
        <source>%1 is given twice (first on %2 %3)</source>
        <translation>%1 aparece dos veces (la primera, en la %2 %3)</translation>
    </message>
    <message>
        <source>no new key is left above %1 for this customer</source>
        <translation>no queda ninguna clave libre por encima de %1 para este cliente</translation>
    </message>
    <message>
        <source>line</source>
        <translation>línea</translation>
    </message>
    <message>
        <source>row</source>
        <translation>fila</translation>
    </message>
    <message>
        <source>%1 belongs to a customer in the table already</source>
        <translation>%1 ya pertenece a un cliente de la tabla</translation>
    </message>
    <message>
        <source>%1 exists already; it is left as it is</source>
        <translation>%1 ya existe; se deja como está</translation>
    </message>
    <message>
        <source>cannot create %1: %2</source>
        <translation>no se puede crear %1: %2</translation>
    </message>
    <message>
        <source>the database %1 holds a table dept already; it is left as it is</source>
        <translation>la base de datos %1 ya contiene una tabla dept; se deja como está</translation>
    </message>
</context>
<context>
    <name>CustomerRow</name>
    <message>
        <source>a first or last name</source>
        <translation>un nombre o apellido</translation>
    </message>
    <message>
        <source>a text</source>
        <translation>un texto</translation>
    </message>
    <message>
        <source>%1 holds %2 characters; %3 may hold at most %4</source>
        <translation>%1 tiene %2 caracteres; %3 puede tener como máximo %4</translation>
    </message>
</context>
<context>
    <name>CustomerTable</name>
    <message>
        <source>it holds no table dept.</source>
        <translation>no contiene ninguna tabla dept.</translation>
    </message>
</context>
<context>
    <name>DataGrid</name>
    <message>
        <source>sorted descending</source>
        <translation>orden descendente</translation>
    </message>
    <message>
        <source>sorted ascending</source>
        <translation>orden ascendente</translation>
    </message>
    <message>
        <source>Sort by %1, &amp;ascending</source>
        <translation>Ordenar por %1, &amp;ascendente</translation>
    </message>
    <message>
        <source>Sort by %1, &amp;descending</source>
        <translation>Ordenar por %1, &amp;descendente</translation>
    </message>
    <message>
        <source>&amp;Unsorted</source>
        <translation>&amp;Sin ordenar</translation>
    </message>
    <message>
        <source>&amp;Reset columns</source>
        <translation>&amp;Restablecer columnas</translation>
    </message>
</context>
<context>
    <name>DatabaseChoice</name>
    <message>
        <source>Cannot read the settings file %1: %2.</source>
        <translation>No se puede leer el archivo de configuración %1: %2.</translation>
    </message>
    <message>
        <source>
Try &apos;tallyhouse --help&apos; for more information.
</source>
        <translation>
Pruebe «tallyhouse --help» para más información.
</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;: name a database with --database.</source>
        <translation>Argumento inesperado «%1»: indique la base de datos con --database.</translation>
    </message>
    <message>
        <source>--database needs a file path or a PostgreSQL URL.</source>
        <translation>--database necesita la ruta de un archivo o una URL de PostgreSQL.</translation>
    </message>
    <message>
        <source>found beside the program</source>
        <translation>encontrada junto al programa</translation>
    </message>
    <message>
        <source>No customer database was found beside the program, and there is no data folder to look in: neither XDG_DATA_HOME nor HOME is set.</source>
        <translation>No se encontró ninguna base de datos de clientes junto al programa, y no hay carpeta de datos donde buscar: no están definidas ni XDG_DATA_HOME ni HOME.</translation>
    </message>
    <message>
        <source>found in the data folder</source>
        <translation>encontrada en la carpeta de datos</translation>
    </message>
    <message>
        <source>created in the data folder</source>
        <translation>creada en la carpeta de datos</translation>
    </message>
    <message>
        <source>Cannot create the database &quot;%1&quot;: the folder %2 cannot be made.</source>
        <translation>No se puede crear la base de datos «%1»: no se puede crear la carpeta %2.</translation>
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
        <translation>Uso: tallyhouse [--database DESTINO]

Gestiona la tabla de clientes de una base de datos.

  --database DESTINO  la base de datos: la ruta de un archivo (relativa a la
                      carpeta actual) o una URL de PostgreSQL, por ejemplo
                      postgresql://ann@db1:5432,db2:5432/shop?target_session_attrs=read-write
  --help              muestra este texto y termina
  --version           muestra la versión y termina

La base de datos es la primera de estas:
  1.  la opción --database;
  2.  la variable de entorno TALLYHOUSE_DATABASE (una ruta o URL como arriba);
  3.  una línea database=DESTINO en el archivo de configuración tallyhouse.ini,
      junto al programa o, si no, en $XDG_CONFIG_HOME/Tallyhouse
      (~/.config/Tallyhouse); allí, una ruta relativa parte de la carpeta del
      archivo de configuración;
  4.  db40.mdb junto al programa, si existe;
  5.  db40.mdb en $XDG_DATA_HOME/Tallyhouse (~/.local/share/Tallyhouse),
      si existe;
  6.  si no, el programa ofrece crear una base de datos nueva y vacía como en 5.
Una base de datos indicada por 1 a 3 que no existe es un error.

Un DESTINO también puede ser una cadena de conexión de libpq
(host=db1 dbname=shop).
Un DESTINO nunca contiene una contraseña: se rechaza uno que la contenga, esté
donde esté escrito. El cliente de PostgreSQL toma la contraseña de ~/.pgpass,
de PGPASSWORD o de un archivo de servicio de PostgreSQL, o el programa la pide
cuando el servidor la necesita.
</translation>
    </message>
    <message>
        <source>named by the %1</source>
        <translation>indicada en %1</translation>
    </message>
    <message>
        <source>--database option</source>
        <translation>la opción --database</translation>
    </message>
    <message>
        <source>environment variable %1</source>
        <translation>la variable de entorno %1</translation>
    </message>
    <message>
        <source>settings file %1</source>
        <translation>el archivo de configuración %1</translation>
    </message>
</context>
<context>
    <name>DeletedCustomersDialog</name>
    <message>
        <source>&amp;Bring back</source>
        <translation>&amp;Recuperar</translation>
    </message>
    <message>
        <source>Deleted customers</source>
        <translation>Clientes borrados</translation>
    </message>
    <message>
        <source>Bring back the chosen customer</source>
        <translation>Recuperar el cliente elegido</translation>
    </message>
    <message>
        <source>No deleted customer is listed.</source>
        <translation>No hay ningún cliente borrado en la lista.</translation>
    </message>
    <message numerus="yes">
        <source>%n deleted customers, the latest deleted first.</source>
        <translation>
            <numerusform>%n cliente borrado, el último borrado primero.</numerusform>
            <numerusform>%n clientes borrados, el último borrado primero.</numerusform>
        </translation>
    </message>
    <message>
        <source> More follow.</source>
        <translation> Siguen más.</translation>
    </message>
</context>
<context>
    <name>Dialect</name>
    <message>
        <source>The %1 names a server database together with its password. A password must never be written there: take it out, and keep it in ~/.pgpass, in PGPASSWORD or in a PostgreSQL service file; the program asks for it when the server wants one.</source>
        <translation>En %1 se indica una base de datos de servidor junto con su contraseña. Nunca debe escribirse allí una contraseña: quítela y guárdela en ~/.pgpass, en PGPASSWORD o en un archivo de servicio de PostgreSQL; el programa la pide cuando el servidor la necesita.</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Añadir</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Cancelar</translation>
    </message>
    <message>
        <source>Nothing was changed: try again in a moment.</source>
        <translation>No se ha cambiado nada: inténtelo de nuevo dentro de un momento.</translation>
    </message>
    <message>
        <source>The list still shows the rows it showed before; it follows the filter box as soon as the database is free.</source>
        <translation>La lista sigue mostrando las filas de antes; se actualizará según el filtro en cuanto la base de datos quede libre.</translation>
    </message>
    <message>
        <source> The list is read again as soon as the database can be read.</source>
        <translation> La lista se volverá a leer en cuanto se pueda leer la base de datos.</translation>
    </message>
    <message>
        <source>The add was cancelled.</source>
        <translation>Se canceló el alta.</translation>
    </message>
    <message>
        <source>The record was saved.</source>
        <translation>Se guardó el registro.</translation>
    </message>
    <message>
        <source>The record was not saved.</source>
        <translation>No se guardó el registro.</translation>
    </message>
    <message>
        <source>Another program changed this record after it was shown. Your changes were not saved; the record as it is now is shown.</source>
        <translation>Otro programa modificó este registro después de mostrarse. Sus cambios no se guardaron; se muestra el registro tal como está ahora.</translation>
    </message>
    <message>
        <source>Another program deleted this record after it was shown. Your changes were not saved.</source>
        <translation>Otro programa eliminó este registro después de mostrarse. Sus cambios no se guardaron.</translation>
    </message>
    <message>
        <source>Comfirm Delete?</source>
        <translation>¿Confirmar la eliminación?</translation>
    </message>
    <message>
        <source>Do you really want to delete this record?</source>
        <translation>¿Seguro que quiere eliminar este registro?</translation>
    </message>
    <message>
        <source>Another program deleted this record already.</source>
        <translation>Otro programa ya eliminó este registro.</translation>
    </message>
    <message>
        <source>The record was not deleted.</source>
        <translation>No se eliminó el registro.</translation>
    </message>
    <message>
        <source>The record was deleted.</source>
        <translation>Se eliminó el registro.</translation>
    </message>
    <message>
        <source>at least %1 (counting)</source>
        <translation>al menos %1 (contando)</translation>
    </message>
    <message>
        <source>New customer</source>
        <translation>Cliente nuevo</translation>
    </message>
    <message>
        <source>Editing customer %1</source>
        <translation>Modificando el cliente %1</translation>
    </message>
    <message>
        <source>No customers yet</source>
        <translation>Todavía no hay clientes</translation>
    </message>
    <message>
        <source>No customer matches</source>
        <translation>Ningún cliente coincide</translation>
    </message>
    <message>
        <source>%1 customers</source>
        <translation>%1 clientes</translation>
    </message>
    <message>
        <source>Customer %1 of %2</source>
        <translation>Cliente %1 de %2</translation>
    </message>
    <message>
        <source> whose %1 begins with &quot;%2&quot;</source>
        <translation> cuyo %1 empieza por «%2»</translation>
    </message>
    <message>
        <source>first name</source>
        <translation>nombre</translation>
    </message>
    <message>
        <source>last name</source>
        <translation>apellido</translation>
    </message>
    <message>
        <source>The customers were not exported.</source>
        <translation>No se exportaron los clientes.</translation>
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation>No se puede escribir %1: %2.</translation>
    </message>
    <message>
        <source>Nothing was imported.</source>
        <translation>No se importó nada.</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation>No se puede leer %1: %2.</translation>
    </message>
    <message>
        <source>Importing customers from %1...</source>
        <translation>Importando clientes de %1...</translation>
    </message>
    <message>
        <source>

%1 is not UTF-8: it was read as Windows-1252.</source>
        <translation>

%1 no está en UTF-8: se leyó como Windows-1252.</translation>
    </message>
    <message>
        <source> All of them</source>
        <translation> Todos ellos</translation>
    </message>
    <message>
        <source> %1 of them</source>
        <translation> %1 de ellos</translation>
    </message>
    <message>
        <source> got new numbers: theirs belonged to other customers.</source>
        <translation> recibieron números nuevos: los suyos pertenecían a otros clientes.</translation>
    </message>
    <message>
        <source>The customers may have been imported: look for them in the list before you import the file again.</source>
        <translation>Puede que los clientes se hayan importado: búsquelos en la lista antes de volver a importar el archivo.</translation>
    </message>
    <message numerus="yes">
        <source>%n customers</source>
        <translation>
            <numerusform>%n cliente</numerusform>
            <numerusform>%n clientes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Exporting %n customers to %1...</source>
        <translation>
            <numerusform>Exportando %n cliente a %1...</numerusform>
            <numerusform>Exportando %n clientes a %1...</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n customers were imported from %1.</source>
        <translation>
            <numerusform>Se importó %n cliente de %1.</numerusform>
            <numerusform>Se importaron %n clientes de %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>customer %1, %2 %3</source>
        <translation>cliente %1, %2 %3</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Deshacer</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Rehacer</translation>
    </message>
    <message>
        <source>Add %1</source>
        <translation>Añadir %1</translation>
    </message>
    <message>
        <source>Delete %1</source>
        <translation>Eliminar %1</translation>
    </message>
    <message>
        <source>Save %1</source>
        <translation>Guardar %1</translation>
    </message>
    <message>
        <source>Deleted %1: Ctrl+Z brings it back.</source>
        <translation>Eliminado %1: Ctrl+Z lo recupera.</translation>
    </message>
    <message>
        <source>Nothing was undone.</source>
        <translation>No se deshizo nada.</translation>
    </message>
    <message>
        <source>Nothing was done again.</source>
        <translation>No se rehízo nada.</translation>
    </message>
    <message>
        <source>Another program changed %1 after this window&apos;s change. %2 The customer as it is now is shown.</source>
        <translation>Otro programa cambió %1 después del cambio de esta ventana. %2 Se muestra el cliente como está ahora.</translation>
    </message>
    <message>
        <source>Another program deleted %1 after this window&apos;s change. %2</source>
        <translation>Otro programa eliminó %1 después del cambio de esta ventana. %2</translation>
    </message>
    <message>
        <source>Another program added a customer under the number %1 meanwhile. %2</source>
        <translation>Otro programa añadió entretanto un cliente con el número %1. %2</translation>
    </message>
    <message>
        <source>The change was undone.</source>
        <translation>El cambio se deshizo.</translation>
    </message>
    <message>
        <source>The change was done again.</source>
        <translation>El cambio se rehízo.</translation>
    </message>
    <message>
        <source> The history of the customers cannot be read: your database user may not be allowed to read it, or this database does not keep it.</source>
        <translation> No se puede leer el historial de los clientes: puede que su usuario de la base de datos no tenga permiso para leerlo, o que esta base de datos no lo guarde.</translation>
    </message>
    <message>
        <source>The deleted customers cannot be listed.</source>
        <translation>No se pueden listar los clientes borrados.</translation>
    </message>
    <message>
        <source>Nothing was brought back.</source>
        <translation>No se recuperó nada.</translation>
    </message>
    <message>
        <source>Another program added a customer under the number %1 meanwhile, or it was brought back already. %2</source>
        <translation>Otro programa añadió mientras tanto un cliente con el número %1, o ya se había recuperado. %2</translation>
    </message>
    <message>
        <source>%1 was brought back.</source>
        <translation>Se recuperó %1.</translation>
    </message>
    <message>
        <source>The history of %1 cannot be shown.</source>
        <translation>No se puede mostrar el historial de %1.</translation>
    </message>
    <message>
        <source>The version was not restored.</source>
        <translation>La versión no se restauró.</translation>
    </message>
    <message>
        <source>Another program changed %1 after it was shown. %2 The customer as it is now is shown.</source>
        <translation>Otro programa cambió %1 después de que se mostrara. %2 Se muestra el cliente como está ahora.</translation>
    </message>
    <message>
        <source>Another program deleted %1 after it was shown. %2</source>
        <translation>Otro programa borró %1 después de que se mostrara. %2</translation>
    </message>
    <message>
        <source>The version was restored.</source>
        <translation>La versión se restauró.</translation>
    </message>
    <message>
        <source>Import %1</source>
        <translation>Importar %1</translation>
    </message>
    <message numerus="yes">
        <source>Another program changed or deleted some of the %n customers imported since. %1</source>
        <translation>
            <numerusform>Otro programa cambió o eliminó desde entonces alguno de los %n cliente importado. %1</numerusform>
            <numerusform>Otro programa cambió o eliminó desde entonces algunos de los %n clientes importados. %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Another program added customers under the numbers of the %n customers imported meanwhile. %1</source>
        <translation>
            <numerusform>Otro programa añadió entretanto un cliente con el número del %n cliente importado. %1</numerusform>
            <numerusform>Otro programa añadió entretanto clientes con los números de los %n clientes importados. %1</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing was printed.</source>
        <translation>No se ha impreso nada.</translation>
    </message>
    <message>
        <source>The customers changed while they were printed, so that the pages would be numbered wrong. Print them again.</source>
        <translation>Los clientes cambiaron mientras se imprimían, de modo que las páginas quedarían mal numeradas. Imprímalos de nuevo.</translation>
    </message>
    <message>
        <source>Print preview</source>
        <translation>Vista previa de impresión</translation>
    </message>
    <message numerus="yes">
        <source>Print preview of the first %n customers</source>
        <translation>
            <numerusform>Vista previa de impresión del primer cliente</numerusform>
            <numerusform>Vista previa de impresión de los primeros %n clientes</numerusform>
        </translation>
    </message>
    <message>
        <source>Printing the listed customers...</source>
        <translation>Imprimiendo los clientes listados...</translation>
    </message>
    <message>
        <source>Colu&amp;mns</source>
        <translation>Colu&amp;mnas</translation>
    </message>
    <message>
        <source>, sorted by %1 descending</source>
        <translation>, ordenado por %1 descendente</translation>
    </message>
    <message>
        <source>, sorted by %1 ascending</source>
        <translation>, ordenado por %1 ascendente</translation>
    </message>
</context>
<context>
    <name>Form1Controls</name>
    <message>
        <source>Customer Information</source>
        <translation>Datos del cliente</translation>
    </message>
    <message>
        <source>Filter:</source>
        <translation>Filtro:</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Añadir</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Editar</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Guardar</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>E&amp;liminar</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>&amp;First</source>
        <translation>&amp;Primero</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>An&amp;terior</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>Sig&amp;uiente</translation>
    </message>
    <message>
        <source>&amp;Last</source>
        <translation>Últi&amp;mo</translation>
    </message>
    <message>
        <source>First Name</source>
        <translation>Nombre</translation>
    </message>
    <message>
        <source>Last Name</source>
        <translation>Apellido</translation>
    </message>
    <message>
        <source>Customers</source>
        <translation>Clientes</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>The database is in use by another program, which holds it locked (%1).</source>
        <translation>Otro programa está usando la base de datos y la tiene bloqueada (%1).</translation>
    </message>
    <message>
        <source>Run-time error &apos;%1&apos;:

%2</source>
        <translation>Error en tiempo de ejecución «%1»:

%2</translation>
    </message>
    <message>
        <source> Nothing you typed is lost: try again in a moment.</source>
        <translation> No se ha perdido nada de lo que escribió: inténtelo de nuevo dentro de un momento.</translation>
    </message>
    <message>
        <source>%1

%2 (error %3)</source>
        <translation>%1

%2 (error %3)</translation>
    </message>
    <message>
        <source>

Try again, or cancel to end the program.</source>
        <translation>

Reintente, o cancele para salir del programa.</translation>
    </message>
    <message>
        <source>No customer database was found. Create a new, empty one at %1?</source>
        <translation>No se encontró ninguna base de datos de clientes. ¿Crear una nueva y vacía en %1?</translation>
    </message>
    <message>
        <source>&amp;Create</source>
        <translation>&amp;Crear</translation>
    </message>
    <message>
        <source> Try again in a moment.</source>
        <translation> Inténtelo de nuevo dentro de un momento.</translation>
    </message>
    <message>
        <source>%1 (error %2)</source>
        <translation>%1 (error %2)</translation>
    </message>
    <message>
        <source>%1

Password for the database %2:</source>
        <translation>%1

Contraseña de la base de datos %2:</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copiar</translation>
    </message>
    <message>
        <source>The record was not saved.

The %1 box holds %2 characters; it may hold at most %3. Nothing you typed is lost: shorten the text and save again.</source>
        <translation>El registro no se ha guardado.

El campo %1 tiene %2 caracteres; puede tener como máximo %3. No se ha perdido nada de lo que escribió: acorte el texto y vuelva a guardar.</translation>
    </message>
    <message numerus="yes">
        <source>%1 was made by Microsoft Access. Tallyhouse can copy its %n customers into a new database and work on that; the Access file stays as it is. Copy them?</source>
        <translation>
            <numerusform>%1 se creó con Microsoft Access. Tallyhouse puede copiar su %n cliente a una base de datos nueva y trabajar con ella; el archivo de Access queda como está. ¿Copiarlo?</numerusform>
            <numerusform>%1 se creó con Microsoft Access. Tallyhouse puede copiar sus %n clientes a una base de datos nueva y trabajar con ella; el archivo de Access queda como está. ¿Copiarlos?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Mkdb</name>
    <message>
        <source>row</source>
        <translation>fila</translation>
    </message>
    <message>
        <source>; nothing was created</source>
        <translation>; no se creó nada</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>no se puede leer %1: %2</translation>
    </message>
    <message>
        <source>%1 is not UTF-8: it was read as Windows-1252.</source>
        <translation>%1 no está en UTF-8: se leyó como Windows-1252.</translation>
    </message>
    <message>
        <source>%1: %2; nothing was imported</source>
        <translation>%1: %2; no se importó nada</translation>
    </message>
    <message>
        <source>%1 of them got new numbers: theirs belonged to other customers.</source>
        <translation>%1 de ellos recibieron números nuevos: los suyos pertenecían a otros clientes.</translation>
    </message>
    <message>
        <source>; nothing was imported</source>
        <translation>; no se importó nada</translation>
    </message>
    <message>
        <source>%1 needs a value</source>
        <translation>%1 necesita un valor</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>opción desconocida %1</translation>
    </message>
    <message>
        <source>%1 needs a whole number, not &quot;%2&quot;</source>
        <translation>%1 necesita un número entero, no «%2»</translation>
    </message>
    <message>
        <source>name one database</source>
        <translation>indique una sola base de datos</translation>
    </message>
    <message>
        <source>%1 is a Microsoft Access database, not a CSV file: to bring its customers over, copy them into a new database with --copy-from %1</source>
        <translation>%1 es una base de datos de Microsoft Access, no un archivo CSV: para traer sus clientes, cópielos a una base de datos nueva con --copy-from %1</translation>
    </message>
    <message>
        <source>target</source>
        <translation>el destino</translation>
    </message>
    <message>
        <source>--copy-from source</source>
        <translation>el origen de --copy-from</translation>
    </message>
    <message numerus="yes">
        <source>Copied %n customers from %1 into %2.</source>
        <translation>
            <numerusform>Se copió %n cliente de %1 a %2.</numerusform>
            <numerusform>Se copiaron %n clientes de %1 a %2.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Imported %n customers into %1.</source>
        <translation>
            <numerusform>Se importó %n cliente en %1.</numerusform>
            <numerusform>Se importaron %n clientes en %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>no se puede escribir %1: %2</translation>
    </message>
    <message numerus="yes">
        <source>Wrote %n versions of the customers of %1 to %2.</source>
        <translation>
            <numerusform>Se escribió %n versión de los clientes de %1 en %2.</numerusform>
            <numerusform>Se escribieron %n versiones de los clientes de %1 en %2.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Forgot %n versions older than %1.</source>
        <translation>
            <numerusform>Se olvidó %n versión anterior al %1.</numerusform>
            <numerusform>Se olvidaron %n versiones anteriores al %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 needs a date as YYYY-MM-DD, not &quot;%2&quot;</source>
        <translation>%1 necesita una fecha como AAAA-MM-DD, no «%2»</translation>
    </message>
    <message>
        <source>Usage: tallyhouse-mkdb TARGET [--rows N [--seed S] | --empty | --copy-from SOURCE]
  or:  tallyhouse-mkdb --import FILE.csv TARGET
  or:  tallyhouse-mkdb --export-history FILE.csv TARGET
  or:  tallyhouse-mkdb --forget-history-before DATE TARGET
  or:  tallyhouse-mkdb --print-pdf FILE.pdf [--labels SHEET]
                       [--first-name-prefix TEXT | --last-name-prefix TEXT] TARGET
</source>
        <translation>Uso: tallyhouse-mkdb DESTINO [--rows N [--seed S] | --empty | --copy-from ORIGEN]
  o:  tallyhouse-mkdb --import ARCHIVO.csv DESTINO
  o:  tallyhouse-mkdb --export-history ARCHIVO.csv DESTINO
  o:  tallyhouse-mkdb --forget-history-before FECHA DESTINO
  o:  tallyhouse-mkdb --print-pdf ARCHIVO.pdf [--labels HOJA]
                      [--first-name-prefix TEXTO | --last-name-prefix TEXTO] DESTINO
</translation>
    </message>
    <message>
        <source>the customers changed while they were printed, so that the pages would be numbered wrong; %1 was not written: print again</source>
        <translation>los clientes cambiaron mientras se imprimían, de modo que las páginas quedarían mal numeradas; %1 no se ha escrito: imprima de nuevo</translation>
    </message>
    <message numerus="yes">
        <source>Printed %n customers of %1 to %2.</source>
        <translation>
            <numerusform>%n cliente de %1 impreso en %2.</numerusform>
            <numerusform>%n clientes de %1 impresos en %2.</numerusform>
        </translation>
    </message>
    <message>
        <source>; %1 was not written</source>
        <translation>; %1 no se ha escrito</translation>
    </message>
    <message>
        <source>%1 needs a4-3x8, a4-3x7 or letter-3x10, not &quot;%2&quot;</source>
        <translation>%1 necesita a4-3x8, a4-3x7 o letter-3x10, no «%2»</translation>
    </message>
    <message>
        <source>--first-name-prefix and --last-name-prefix do not go together</source>
        <translation>--first-name-prefix y --last-name-prefix no van juntas</translation>
    </message>
    <message>
        <source>--rows, --empty, --copy-from, --import, --export-history, --forget-history-before and --print-pdf do not go together</source>
        <translation>--rows, --empty, --copy-from, --import, --export-history, --forget-history-before y --print-pdf no van juntas</translation>
    </message>
    <message>
        <source>--labels, --first-name-prefix and --last-name-prefix go with --print-pdf</source>
        <translation>--labels, --first-name-prefix y --last-name-prefix van con --print-pdf</translation>
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
Crea una base de datos de clientes nueva, le añade los clientes de un archivo
CSV, o imprime sus clientes en un archivo PDF.
DESTINO y ORIGEN son archivos de base de datos, URL de PostgreSQL o cadenas de
conexión de libpq (host=db1 dbname=shop), nunca con contraseña: la dan
~/.pgpass, PGPASSWORD o un archivo de servicio de PostgreSQL. ORIGEN también
puede ser un archivo de Microsoft Access, cuyos clientes se copian; Tallyhouse
nunca escribe en uno.

  --rows N             N clientes generados en lugar de los de ejemplo
  --seed S             la semilla de los clientes generados (por omisión, 1)
  --empty              la tabla dept sin clientes
  --copy-from ORIGEN   todos los clientes de otra base de datos, con sus claves
  --import ARCHIVO.csv añade los clientes de un archivo CSV a una base de datos existente
  --export-history ARCHIVO.csv
                       escribe todas las versiones de todos los clientes, de la
                       más antigua a la más reciente, en un archivo CSV (horas en UTC)
  --forget-history-before FECHA
                       olvida las versiones anteriores a FECHA (AAAA-MM-DD, desde
                       la medianoche de la hora local), en una sola transacción
  --print-pdf ARCHIVO.pdf
                       escribe la lista de clientes en un archivo PDF, como la
                       imprime la ventana: cada texto entero, &quot;Página N de M&quot; al
                       pie, en A4 o US Letter según el papel de la configuración
                       regional (LC_PAPER), apaisada cuando las columnas lo piden
  --labels HOJA        etiquetas de dirección en su lugar, una por cliente, en
                       hojas a4-3x8 (70 x 37 mm), a4-3x7 (63,5 x 38,1 mm) o
                       letter-3x10 (2 5/8 x 1 pulgadas)
  --first-name-prefix TEXTO, --last-name-prefix TEXTO
                       solo los clientes cuyo nombre (apellido) empieza por
                       TEXTO, por orden de nombre, como los lista el filtro
                       de la ventana
  --help               muestra este texto y termina
  --version            muestra la versión y termina

Nunca se toca un archivo existente, ni una base de datos de servidor que ya
tenga una tabla dept; la tabla y sus clientes se crean en una sola transacción.
Una importación añade todos los clientes del archivo o ninguno. Un archivo PDF
se escribe entero o no se escribe.

La base de datos guarda todas las versiones de todos los clientes en la tabla
dept_history: cada inserción, modificación y borrado en dept, hechos por
cualquier programa, con su hora y su autor.
</translation>
    </message>
</context>
<context>
    <name>PgDialect</name>
    <message>
        <source>(a URL that cannot be read)</source>
        <translation>(una URL ilegible)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; on %2</source>
        <translation>«%1» en %2</translation>
    </message>
    <message>
        <source>The database %1 cannot store the character NUL (U+0000), which a text holds.</source>
        <translation>La base de datos %1 no puede guardar el carácter NUL (U+0000) que contiene un texto.</translation>
    </message>
</context>
<context>
    <name>PgSession</name>
    <message>
        <source>Cannot open the database %1: </source>
        <translation>No se puede abrir la base de datos %1: </translation>
    </message>
    <message>
        <source>the URL cannot be read.</source>
        <translation>no se puede interpretar la URL.</translation>
    </message>
    <message>
        <source>The database %1 cannot be reached: %2</source>
        <translation>No se puede acceder a la base de datos %1: %2</translation>
    </message>
    <message>
        <source>the connection was lost</source>
        <translation>se perdió la conexión</translation>
    </message>
    <message>
        <source>The database %1 does not answer.</source>
        <translation>La base de datos %1 no responde.</translation>
    </message>
    <message>
        <source>The statement was not run after an earlier one failed.</source>
        <translation>La instrucción no se ejecutó porque una anterior falló.</translation>
    </message>
    <message>
        <source>The connection to the database %1 was closed.</source>
        <translation>La conexión con la base de datos %1 se cerró.</translation>
    </message>
    <message numerus="yes">
        <source>no answer within %n seconds</source>
        <translation>
            <numerusform>sin respuesta en %n segundo</numerusform>
            <numerusform>sin respuesta en %n segundos</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Print</name>
    <message>
        <source>First name begins with &quot;%1&quot;</source>
        <translation>Nombre que empieza por «%1»</translation>
    </message>
    <message>
        <source>Last name begins with &quot;%1&quot;</source>
        <translation>Apellido que empieza por «%1»</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>N.º</translation>
    </message>
    <message>
        <source>Customers</source>
        <translation>Clientes</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Página %1 de %2</translation>
    </message>
    <message>
        <source>Page %1</source>
        <translation>Página %1</translation>
    </message>
    <message>
        <source>Customer %1</source>
        <translation>Cliente %1</translation>
    </message>
    <message>
        <source>A4, 3 × 8 labels of 70 × 37 mm</source>
        <translation>A4, 3 × 8 etiquetas de 70 × 37 mm</translation>
    </message>
    <message>
        <source>A4, 3 × 7 labels of 63.5 × 38.1 mm</source>
        <translation>A4, 3 × 7 etiquetas de 63,5 × 38,1 mm</translation>
    </message>
    <message>
        <source>US Letter, 3 × 10 labels of 2 5/8 × 1 in</source>
        <translation>US Letter, 3 × 10 etiquetas de 2 5/8 × 1 pulgadas</translation>
    </message>
    <message>
        <source>Print the listed customers</source>
        <translation>Imprimir los clientes listados</translation>
    </message>
    <message>
        <source>Print this customer</source>
        <translation>Imprimir este cliente</translation>
    </message>
    <message>
        <source>Print address labels</source>
        <translation>Imprimir etiquetas de dirección</translation>
    </message>
    <message>
        <source>Labels</source>
        <translation>Etiquetas</translation>
    </message>
    <message>
        <source>Label sheet</source>
        <translation>Hoja de etiquetas</translation>
    </message>
    <message>
        <source>&amp;Sheet:</source>
        <translation>&amp;Hoja:</translation>
    </message>
    <message>
        <source>Address labels</source>
        <translation>Etiquetas de dirección</translation>
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
Copyright (C) 2026 Los desarrolladores de Tallyhouse
Licencia GPLv3+: GNU GPL versión 3 o posterior &lt;https://gnu.org/licenses/gpl.html&gt;.
Esto es software libre: usted es libre de modificarlo y redistribuirlo.
NO HAY NINGUNA GARANTÍA, en la medida que lo permita la ley.
</translation>
    </message>
</context>
<context>
    <name>RecordSet</name>
    <message>
        <source>The record set holds no rows.</source>
        <translation>El conjunto de registros no tiene filas.</translation>
    </message>
    <message>
        <source>Row %1 does not exist.</source>
        <translation>La fila %1 no existe.</translation>
    </message>
    <message>
        <source>There is no current row.</source>
        <translation>No hay fila actual.</translation>
    </message>
    <message>
        <source>The list was read again meanwhile.</source>
        <translation>Mientras tanto, la lista se volvió a leer.</translation>
    </message>
</context>
<context>
    <name>SqliteSession</name>
    <message>
        <source>Cannot open the database %1: </source>
        <translation>No se puede abrir la base de datos %1: </translation>
    </message>
    <message>
        <source>the file does not exist.</source>
        <translation>el archivo no existe.</translation>
    </message>
    <message>
        <source>Cannot create the database &quot;%1&quot;: </source>
        <translation>No se puede crear la base de datos «%1»: </translation>
    </message>
    <message>
        <source>the file exists already; it is left as it is.</source>
        <translation>el archivo ya existe; se deja como está.</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>memoria agotada</translation>
    </message>
    <message>
        <source>The database %1 </source>
        <translation>La base de datos %1 </translation>
    </message>
    <message>
        <source>was deleted or moved while the program was running.</source>
        <translation>se eliminó o se movió mientras el programa estaba en marcha.</translation>
    </message>
    <message>
        <source>was replaced by another file while the program was running.</source>
        <translation>se sustituyó por otro archivo mientras el programa estaba en marcha.</translation>
    </message>
    <message>
        <source>is read-only: %1.</source>
        <translation>es de solo lectura: %1.</translation>
    </message>
    <message>
        <source>The database %1 is not open.</source>
        <translation>La base de datos %1 no está abierta.</translation>
    </message>
    <message>
        <source>The statement was given up.</source>
        <translation>Se renunció a la instrucción.</translation>
    </message>
</context>
<context>
    <name>Startup</name>
    <message>
        <source>%1

The database was %2.</source>
        <translation>%1

Base de datos %2.</translation>
    </message>
    <message>
        <source>The Access database %1 cannot be copied: %2. Nothing was written.</source>
        <translation>No se puede copiar la base de datos de Access %1: %2. No se ha escrito nada.</translation>
    </message>
</context>
<context>
    <name>Transfer</name>
    <message>
        <source>&amp;Export listed customers...</source>
        <translation>&amp;Exportar los clientes listados...</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copiar</translation>
    </message>
    <message>
        <source>&amp;Import customers...</source>
        <translation>&amp;Importar clientes...</translation>
    </message>
    <message>
        <source>Export listed customers</source>
        <translation>Exportar los clientes listados</translation>
    </message>
    <message>
        <source>Import customers</source>
        <translation>Importar clientes</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Archivos CSV (*.csv)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>&amp;Deleted customers...</source>
        <translation>Clientes &amp;borrados...</translation>
    </message>
    <message>
        <source>&amp;History of this customer...</source>
        <translation>&amp;Historial de este cliente...</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>Im&amp;primir...</translation>
    </message>
    <message>
        <source>Print pre&amp;view...</source>
        <translation>&amp;Vista previa de impresión...</translation>
    </message>
    <message>
        <source>Print this c&amp;ustomer...</source>
        <translation>Imprimir este c&amp;liente...</translation>
    </message>
    <message>
        <source>Print address &amp;labels...</source>
        <translation>Imprimir e&amp;tiquetas de dirección...</translation>
    </message>
</context>
<context>
    <name>VersionsDialog</name>
    <message>
        <source>another program</source>
        <translation>otro programa</translation>
    </message>
    <message>
        <source>&amp;More</source>
        <translation>&amp;Más</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>More: read older versions</source>
        <translation>Más: leer versiones anteriores</translation>
    </message>
    <message>
        <source>Reading</source>
        <translation>Leyendo</translation>
    </message>
    <message>
        <source>%1 (changed)</source>
        <translation>%1 (cambiado)</translation>
    </message>
    <message>
        <source>Reading older versions...</source>
        <translation>Leyendo versiones anteriores...</translation>
    </message>
    <message>
        <source>The older versions cannot be read now: %1 Try More again in a moment.</source>
        <translation>Ahora no se pueden leer las versiones anteriores: %1 Pruebe Más de nuevo en un momento.</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Número</translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation>Borrado</translation>
    </message>
    <message>
        <source>Deleted by</source>
        <translation>Borrado por</translation>
    </message>
    <message>
        <source>When</source>
        <translation>Cuándo</translation>
    </message>
    <message>
        <source>Who</source>
        <translation>Quién</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>Cambio</translation>
    </message>
</context>
</TS>
