#pragma once

// The request half of every form: what a procedure's entry point does
// around its window, apart from the window's own rules.
//
//   FormRequest request(context);          // takes the global request
//   request.addFile(context.data.people);  // held open while the form runs
//   request.setAllowed(true, true, false);
//   if (request.begin()) { ...run the window... request.complete(); }
//   request.end();                          // releases, gives the response
//
// The request is taken from the globals once, at begin(); the globals are
// cleared then, so that nested procedures find them clean, and the
// response is written back only at end(). Between the two the form works
// on its own copy, whatever other windows do with the globals.

#include "runtime/procedureglobals.h"
#include "storage/datafile.h"
#include "storage/openfile.h"

#include <memory>
#include <string>
#include <vector>

namespace korvalen {

class AppContext;

class FormRequest
{
public:
    explicit FormRequest(AppContext &context);
    ~FormRequest();
    FormRequest(const FormRequest &) = delete;
    FormRequest &operator=(const FormRequest &) = delete;

    // Configuration, before begin().
    void addFile(DataFile &file);
    void setAllowed(bool insert, bool change, bool remove);

    // Takes the global request and opens the files. Returns false when the
    // request is refused: an insert or delete the form does not allow
    // (kind 19 or 21 shown), or a request that is none of the allowed
    // ones (select, or none). A delete is taken only when allowed.
    bool begin();
    int request() const { return m_request; }

    // An insert whose record was stored goes on as a change of it.
    void continueAsChange() { m_request = ChangeRecord; }

    void complete() { m_response = RequestCompleted; }
    void cancel() { m_response = RequestCancelled; }
    int response() const { return m_response; }
    bool isCompleted() const { return m_response == RequestCompleted; }

    // Releases the files and leaves the response in the globals. Once.
    void end();

    // "Record will be Added", "Record will be Changed" or empty.
    std::string actionMessage() const;

private:
    AppContext &m_context;
    std::vector<DataFile *> m_files;
    std::vector<std::unique_ptr<FileUse>> m_uses;
    bool m_allowInsert = true;
    bool m_allowChange = true;
    bool m_allowDelete = true;
    bool m_ended = false;
    int m_request = 0;
    int m_response = RequestCancelled;
};

} // namespace korvalen
