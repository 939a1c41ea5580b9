// The registry file reader over any file, and the tree its edits make.
#include "FuzzInput.h"
#include "platform/RegistryStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const ParsedRegistryFile parsed = parseRegistryFile(fuzz::bytes(data, size).toByteArray());
    RegistryTree tree;
    tree.apply(parsed.edits);
    for (const RegistryEdit &edit : parsed.edits) {
        tree.hasKey(edit.key);
        tree.value(edit.key, edit.name);
    }
    return 0;
}
