#include "sample_rows.h"

#include <QRandomGenerator>

namespace sample {

namespace {
Row row(qint64 key, const char* first, const char* last, const char* address, const char* email,
        const char* phone, const char* credit, const char* dept)
{
    auto text = [](const char* s) { return s ? QVariant(QString::fromUtf8(s)) : QVariant(); };
    return Row{key, text(first), text(last), text(address), text(email), text(phone), text(credit), text(dept), 0, 0};
}
}  // namespace

QVector<Row> fixed_rows()
{
    return {
        row(1, "Maria", "Santos", "12 Rizal Ave, Manila", "maria.santos@example.com", "555-0101", "5000", "Sales"),
        row(2, "Mark", "Martinez", "48 Oak Street, Austin", "mark.martinez@example.com", "555-0102", "2500", "Purchasing"),
        row(3, "Martin", "Sanders", "7 Elm Road, Leeds", "martin.sanders@example.com", "555-0103", "3000", "Accounting"),
        row(4, "Marta", "Peña", "Calle Mayor 3, Madrid", "marta.pena@example.com", "555-0104", "4000", "Sales"),
        row(5, "Anna", "Ødegaard", "Storgata 9, Oslo", "anna.odegaard@example.com", "555-0105", "1500", "Support"),
        row(6, "Andrew", "Anderson", "22 Pine Lane, Denver", "andrew.anderson@example.com", "555-0106", "2000", "Shipping"),
        row(7, "Angela", "Lee", "3 Harbour View, Sydney", "angela.lee@example.com", "555-0107", "6000", "Marketing"),
        row(8, "Peter", "O'Brien", "15 Grafton St, Dublin", "peter.obrien@example.com", "555-0108", "3500", "Sales"),
        row(9, "Pedro", "Pérez", "Av. Reforma 100, Mexico City", "pedro.perez@example.com", "555-0109", "2200", "Purchasing"),
        row(10, "Paula", "Smith", "9 High Street, Bristol", "paula.smith@example.com", "555-0110", "1800", "Accounting"),
        row(11, "Samuel", "Smithers", "41 Maple Drive, Toronto", "sam.smithers@example.com", "555-0111", "2700", "Support"),
        row(12, "Sarah", "Smyth", "5 Castle Close, York", "sarah.smyth@example.com", "555-0112", "3200", "Marketing"),
        row(13, "John", "Johnson", "88 River Road, Chicago", "john.johnson@example.com", "555-0113", "4500", "Sales"),
        row(14, "Joan", "Jones", "14 Bay Street, Cardiff", "joan.jones@example.com", "555-0114", "1200", "Shipping"),
        row(15, "José", "García", "Gran Vía 21, Barcelona", "jose.garcia@example.com", "555-0115", "5200", "Sales"),
        row(16, "Jürgen", "Müller", "Hauptstraße 5, Berlin", "juergen.mueller@example.com", "555-0116", "3900", "Accounting"),
        row(17, "Émile", "Dubois", "8 rue de la Paix, Paris", "emile.dubois@example.com", "555-0117", "2600", "Marketing"),
        row(18, "Elena", "Rossi", "Via Roma 12, Milan", "elena.rossi@example.com", "555-0118", "3100", "Purchasing"),
        row(19, "Ellen", "Robertson", "30 Queen St, Auckland", "ellen.robertson@example.com", "555-0119", "1900", "Support"),
        row(20, "Eric", "Roberts", "77 Sunset Blvd, Los Angeles", "eric.roberts@example.com", "555-0120", "4100", "Sales"),
        row(21, "Ingrid", "Ødegård", "Kongens gate 2, Trondheim", "ingrid.odegard@example.com", "555-0121", "2300", "Shipping"),
        row(22, "Øystein", "Berg", "Bryggen 4, Bergen", "oystein.berg@example.com", "555-0122", "2800", "Support"),
        row(23, "Søren", "Kierkegaard", "Nytorv 1, Copenhagen", "soren.k@example.com", "555-0123", "3300", "Accounting"),
        row(24, "Ana", "Silva", "Rua Augusta 50, Lisbon", "ana.silva@example.com", "555-0124", "2100", "Sales"),
        row(25, "Carlos", "Silveira", "Av. Paulista 900, São Paulo", "carlos.silveira@example.com", "555-0125", "4700", "Marketing"),
        row(26, "Carla", "Sandoval", "Calle 5, Bogotá", "carla.sandoval@example.com", "555-0126", "1600", "Purchasing"),
        row(27, "Chen", "Wei", "18 Nanjing Rd, Shanghai", "chen.wei@example.com", "555-0127", "5500", "Sales"),
        row(28, "Kenji", "Watanabe", "2-1 Ginza, Tokyo", "kenji.watanabe@example.com", "555-0128", "3600", "Shipping"),
        row(29, "Priya", "Patel", "11 MG Road, Bengaluru", "priya.patel@example.com", "555-0129", "2900", "Support"),
        row(30, "Rahul", "Patil", "6 Park Street, Kolkata", "rahul.patil@example.com", "555-0130", "2400", "Accounting"),
        row(31, "Fatima", "Hassan", "4 Corniche, Alexandria", "fatima.hassan@example.com", "555-0131", "3000", "Marketing"),
        row(32, "Oliver", "Brown", "19 King St, Melbourne", "oliver.brown@example.com", "555-0132", "2000", "Sales"),
        row(33, "Olivia", "Browning", "3 Bridge Rd, Oxford", "olivia.browning@example.com", "555-0133", "2750", "Purchasing"),
        row(34, "Liam", "Murphy", "10 Shop St, Galway", "liam.murphy@example.com", "555-0134", "1700", "Support"),
        row(35, "Lucy", "Murray", "25 George Sq, Glasgow", "lucy.murray@example.com", "555-0135", "3400", "Shipping"),
        row(36, "Lucas", "Moreau", "1 Quai Saint-Antoine, Lyon", "lucas.moreau@example.com", nullptr, "2250", "Sales"),
        row(37, "Zoë", "Zimmermann", "Bahnhofstrasse 7, Zürich", "zoe.zimmermann@example.com", "555-0137", "6100", "Marketing"),
        row(38, "Nina", "Novak", "Prešernov trg 2, Ljubljana", nullptr, "555-0138", "1300", "Accounting"),
        row(39, "Noah", "Nakamura", "5 Kita St, Osaka", "noah.nakamura@example.com", "555-0139", "3800", nullptr),
        row(40, "Mia", "Svensson", "Drottninggatan 8, Stockholm", "mia.svensson@example.com", "555-0140", "2650", "Sales"),
    };
}

Row generated_row(qint64 i, quint64 seed)
{
    static const char* const firsts[] = {
        "Maria", "Mark", "Martin", "Marta", "Martina", "Marco", "Mary", "Matthew", "Max", "Mia",
        "Anna", "Andrew", "Angela", "Anders", "Ana", "Peter", "Pedro", "Paula", "Paul", "Priya",
        "John", "Joan", "José", "Jürgen", "Julia", "Elena", "Ellen", "Eric", "Émile", "Ingrid",
        "Øystein", "Søren", "Carlos", "Carla", "Chen", "Kenji", "Rahul", "Fatima", "Oliver", "Olivia",
        "Liam", "Lucy", "Lucas", "Zoë", "Nina", "Noah", "Sarah", "Samuel", "Sofia", "Thomas"};
    static const char* const lasts[] = {
        "Santos", "Martinez", "Sanders", "Peña", "Ødegaard", "Anderson", "Lee", "O'Brien", "Pérez", "Smith",
        "Smithers", "Smyth", "Johnson", "Jones", "García", "Müller", "Dubois", "Rossi", "Robertson", "Roberts",
        "Berg", "Kierkegaard", "Silva", "Silveira", "Sandoval", "Wei", "Watanabe", "Patel", "Patil", "Hassan",
        "Brown", "Browning", "Murphy", "Murray", "Moreau", "Zimmermann", "Novak", "Nakamura", "Svensson", "Martin"};
    static const char* const streets[] = {"Oak Street", "High Street", "Rizal Ave", "Calle Mayor", "Storgata",
                                          "Hauptstraße", "rue de la Paix", "Via Roma", "King St", "Park Road"};
    static const char* const depts[] = {"Sales", "Purchasing", "Accounting", "Support", "Shipping", "Marketing"};

    QRandomGenerator rng(seed ^ (quint64(i) * 0x9E3779B97F4A7C15ull));
    auto pick = [&](auto& list) { return QString::fromUtf8(list[rng.bounded(int(std::size(list)))]); };
    const QString first = pick(firsts);
    const QString last = pick(lasts);
    auto maybe = [&](const QString& s) { return rng.bounded(100) == 0 ? QVariant() : QVariant(s); };
    return Row{
        i,
        maybe(first),
        maybe(last),
        maybe(QStringLiteral("%1 %2").arg(rng.bounded(1, 400)).arg(pick(streets))),
        maybe(QStringLiteral("%1.%2%3@example.com").arg(first.toLower(), last.toLower()).arg(i)),
        maybe(QStringLiteral("555-%1").arg(rng.bounded(10000), 4, 10, QChar(u'0'))),
        maybe(QString::number(rng.bounded(5, 100) * 100)),
        maybe(pick(depts)),
        0,
        0,
    };
}

}  // namespace sample
