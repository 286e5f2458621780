#include <cstdlib>

#include "qorldap9.h"

// Releases the nodes after head; head itself belongs to the caller and
// keeps its bytes, including its now dangling link.
extern "C" void QORLDAP9_CALL destroy_list(LDC_ListNode *head) {
    if (head == nullptr) return;
    LDC_ListNode *node = head->Next;
    while (node != nullptr) {
        LDC_ListNode *next = node->Next;
        std::free(node);
        node = next;
    }
}
