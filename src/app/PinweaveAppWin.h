// The application: start-up is the whole life of the program.
//
//  1. common controls; 2. the main dialog object (no window yet); 3. the
//  command line into its record (a lone argument naming an existing file is
//  the CAP-H file, as when a file is dropped onto the program); 4.-5. the record's paths and flag Y into the
//  dialog object; 6. quiet mode (flag Q): one conversion, no window, no
//  settings read or written; otherwise 7. restore the paths the command line
//  left empty, 8. run the dialog modally, 9. save the paths however it was
//  closed; 10. the objects are destroyed and the process ends.
//
// Exit status (the system gives it no meaning; scripts may): 0 when a quiet
// run reached "Completed" and always in dialog mode, 1 when a quiet run
// stopped.
#ifndef PINWEAVE_APP_PINWEAVEAPPWIN_H
#define PINWEAVE_APP_PINWEAVEAPPWIN_H

#include <string>
#include <vector>

namespace pinweave {

class CPinweaveApp {
public:
    // arrArgs: the arguments after the program's name, as the run-time
    // library split them.
    int InitInstance(const std::vector<std::string>& arrArgs);
};

} // namespace pinweave

#endif // PINWEAVE_APP_PINWEAVEAPPWIN_H
