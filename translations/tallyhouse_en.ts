<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>AccessFile</name>
    <message numerus="yes">
        <source>the file is damaged: its table dept holds %n customers, and only %1 of them can be read</source>
        <translation>
            <numerusform>the file is damaged: its table dept holds %n customer, and only %1 of them can be read</numerusform>
            <numerusform>the file is damaged: its table dept holds %n customers, and only %1 of them can be read</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>libmdb gave no answer for %n seconds</source>
        <translation>
            <numerusform>libmdb gave no answer for %n second</numerusform>
            <numerusform>libmdb gave no answer for %n seconds</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CustomerCsv</name>
    <message numerus="yes">
        <source>the record has %n fields</source>
        <translation>
            <numerusform>the record has %n field</numerusform>
            <numerusform>the record has %n fields</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>the header names %n columns</source>
        <translation>
            <numerusform>the header names %n column</numerusform>
            <numerusform>the header names %n columns</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CustomerHistoryDialog</name>
    <message numerus="yes">
        <source>%n versions of customer %1, the latest first; the fields each change made are in bold.</source>
        <translation>
            <numerusform>%n version of customer %1, the latest first; the fields each change made are in bold.</numerusform>
            <numerusform>%n versions of customer %1, the latest first; the fields each change made are in bold.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>DeletedCustomersDialog</name>
    <message numerus="yes">
        <source>%n deleted customers, the latest deleted first.</source>
        <translation>
            <numerusform>%n deleted customer, the latest deleted first.</numerusform>
            <numerusform>%n deleted customers, the latest deleted first.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message numerus="yes">
        <source>%n customers</source>
        <translation>
            <numerusform>%n customer</numerusform>
            <numerusform>%n customers</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Exporting %n customers to %1...</source>
        <translation>
            <numerusform>Exporting %n customer to %1...</numerusform>
            <numerusform>Exporting %n customers to %1...</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n customers were imported from %1.</source>
        <translation>
            <numerusform>%n customer was imported from %1.</numerusform>
            <numerusform>%n customers were imported from %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Another program changed or deleted some of the %n customers imported since. %1</source>
        <translation>
            <numerusform>Another program changed or deleted the %n customer imported since. %1</numerusform>
            <numerusform>Another program changed or deleted some of the %n customers imported since. %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Another program added customers under the numbers of the %n customers imported meanwhile. %1</source>
        <translation>
            <numerusform>Another program added a customer under the number of the %n customer imported meanwhile. %1</numerusform>
            <numerusform>Another program added customers under the numbers of the %n customers imported meanwhile. %1</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Print preview of the first %n customers</source>
        <translation>
            <numerusform>Print preview of the first customer</numerusform>
            <numerusform>Print preview of the first %n customers</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message numerus="yes">
        <source>%1 was made by Microsoft Access. Tallyhouse can copy its %n customers into a new database and work on that; the Access file stays as it is. Copy them?</source>
        <translation>
            <numerusform>%1 was made by Microsoft Access. Tallyhouse can copy its %n customer into a new database and work on that; the Access file stays as it is. Copy it?</numerusform>
            <numerusform>%1 was made by Microsoft Access. Tallyhouse can copy its %n customers into a new database and work on that; the Access file stays as it is. Copy them?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Mkdb</name>
    <message numerus="yes">
        <source>Copied %n customers from %1 into %2.</source>
        <translation>
            <numerusform>Copied %n customer from %1 into %2.</numerusform>
            <numerusform>Copied %n customers from %1 into %2.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Imported %n customers into %1.</source>
        <translation>
            <numerusform>Imported %n customer into %1.</numerusform>
            <numerusform>Imported %n customers into %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Wrote %n versions of the customers of %1 to %2.</source>
        <translation>
            <numerusform>Wrote %n version of the customers of %1 to %2.</numerusform>
            <numerusform>Wrote %n versions of the customers of %1 to %2.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Forgot %n versions older than %1.</source>
        <translation>
            <numerusform>Forgot %n version older than %1.</numerusform>
            <numerusform>Forgot %n versions older than %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Printed %n customers of %1 to %2.</source>
        <translation>
            <numerusform>Printed %n customer of %1 to %2.</numerusform>
            <numerusform>Printed %n customers of %1 to %2.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PgSession</name>
    <message numerus="yes">
        <source>no answer within %n seconds</source>
        <translation>
            <numerusform>no answer within %n second</numerusform>
            <numerusform>no answer within %n seconds</numerusform>
        </translation>
    </message>
</context>
</TS>
