#pragma once

#include <QString>
#include <string>
#include <vector>

#include "database/error.h"
#include "import/contact.h"

namespace morvel {

// Contacts a live session could not write before it ended (another program
// held the database all the while) wait beside the database in
// "NAME pending.adi", an ordinary ADIF log, until the next live session or
// import of that database takes them.
struct PendingContact {
    ImportedContact contact;
    std::string band;  // "2m"
};

// "2M JO62QM.qra" -> "2M JO62QM pending.adi", in the database's folder.
QString pendingFileName(const QString& databasePath);

// Adds the contacts to the file (made when missing), whole or not at all.
bool savePendingContacts(const QString& databasePath, const std::vector<PendingContact>& contacts,
                         Error& error);
// The contacts waiting for the database, by the import's rules for its band;
// none when there is no file.
bool readPendingContacts(const QString& databasePath, std::vector<ImportedContact>& contacts,
                         Error& error);
// The ADIF of the contacts, as the file holds them.
std::string pendingAdif(const std::vector<PendingContact>& contacts);

}  // namespace morvel
