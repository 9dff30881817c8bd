#include "framework/errors/default_error_table.h"

#include "framework/errors/error_ids.h"
#include "framework/errors/error_table_packer.h"

namespace fw {

namespace {

// Loaded in this order; a later entry with the same id would override an earlier one.
constexpr ErrorTableEntry kEntries[] = {
    {kErrInvalidKey, 5, "Invalid Key",
     "%File key file is invalid. Key must be rebuilt."},
    {kErrKeyNotBuilt, 3, "Key was not built",
     "Error: (%ErrorText) repairing key for %File."},
    {kErrFileCreation, 3, "File Creation Error",
     "Error: (%ErrorText) creating %File."},
    {kErrProcedureNotDefined, 5, "Procedure not defined",
     "The Procedure %Message has not been defined."},
    {kErrRangeLower, 5, "Range Error",
     "The value of %Field must be lower than %Message."},
    {kErrRangeHigher, 5, "Range Error",
     "The value of %Field must be higher than %Message."},
    {kErrRangeBetween, 5, "Range Error",
     "The value of %Field must be between %Message."},
    {kErrFieldContents, 5, "Field contents error",
     "The value of %Field must be found in the %Message file."},
    {kErrReferentialUpdate, 5, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been "
     "restricted from change and have been reset to original values."},
    {kErrReferentialDelete, 5, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted "
     "while these references exist."},
    {kErrRecordInsert, 5, "Record Insert Error",
     "An error was experienced during the creation of a record. Error: %ErrorText."},
    {kErrRecordChanged, 5, "Record Was Not Updated",
     "This record was changed by another station."},
    {kErrRecordChangedShown, 5, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be "
     "displayed. Use the Ditto Button or Ctrl+' to recall your changes."},
    {kErrRecordUpdate, 1, "Record Update Error",
     "An error was experienced changing this record. Do you want to try to save again?"},
    {kErrRecordDelete, 1, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it "
     "again?"},
    {kErrInvalidInsertRequest, 5, "Invalid Request",
     "This form cannot be used to insert a record"},
    {kErrInvalidUpdateRequest, 5, "Invalid Request",
     "This form cannot be used to update a record"},
    {kErrInvalidDeleteRequest, 5, "Invalid Request",
     "This form cannot be used to delete a record"},
    {kErrChangesLost, 1, "Changes will be lost!",
     "Are you sure you want to cancel?"},
    {kErrDuplicateKey, 5, "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key: %Message"},
    {kErrAutoIncrement, 1, "Auto Increment Error",
     "Attempts to automatically number this record have failed.  Error: %ErrorText. "
     "Try Again?"},
    {kErrFileLoad, 5, "File Load Error",
     "%File File Load Error.  Error: %ErrorText."},
    {kErrBeginningOfFile, 1, "Beginning of File Error",
     "The beginning of the file was encountered. Do you want to start again from the "
     "end of the file?"},
    {kErrEndOfFile, 1, "End of File Error",
     "The end of the file was encountered. Do you want to start again from the "
     "beginning?"},
    {kErrFileAccess, 3, "File Access Error",
     "File (%File) could not be opened.  Error: %ErrorText."},
    {kErrRecordNotUpdated, 5, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file."},
    {kErrRecordNotDeleted, 5, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File "
     "file."},
    {kErrConfirmDelete, 1, "Confirm Delete",
     "Are you sure you want to delete the highlighted record?"},
    {kErrSaveRecord, 1, "Save Record",
     "Do you want to save the changes to this record?"},
    {kErrTransactionCancelled, 5, "Transaction cancelled",
     "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {kErrRecordRetrieval, 5, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  "
     "Returning to previous window."},
    {kErrViewOpen, 5, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range "
     "Limits ignored."},
    {kErrRecordAdded, 1, "Record Added",
     "This record has been added to the file. Do you want to add another record?"},
    {kErrRecordNotRead, 5, "Record not read",
     "A record held by another station was encountered reading from the %File file."},
    {kErrAddNewRecord, 5, "Add New Record?",
     "Record match not found, do you wish to add a new one?"},
    {kErrValue, 5, "Value Error",
     "The value of %Field must be in the list : %Message."},
    {kErrNoRecords, 5, "No Records",
     "There are no records available to process."},
    {kErrAccessDenied, 5, "Access Denied",
     "Could not get write access to %File so trying read-only."},
    {kErrFileUsage, 2, "File Usage Error",
     "Attempt to use file (%File) before it was opened"},
    {kErrRecordDeleted, 5, "Record Was Deleted",
     "This record was deleted by another station. Your changes to it were not saved."},
    {kErrRecordUnreadable, 5, "Record Cannot Be Read",
     "A record of the %File file cannot be read: %ErrorText."},
};
static_assert(std::size(kEntries) == kDefaultErrorCount);

constexpr auto kPacked = PackErrorTable<kEntries>();

}  // namespace

std::span<const uint8_t> DefaultErrorTable() { return kPacked; }

}  // namespace fw
