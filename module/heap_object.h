// Objects of the module on the process heap. The module links no language
// runtime, so there is no operator new or delete: memory comes from
// HeapAlloc and objects are built in it with placement new.
#ifndef CHIMORA_HEAP_OBJECT_H
#define CHIMORA_HEAP_OBJECT_H

#include <windows.h>

// Only for placement new, which is inline: nothing of the runtime is linked.
#include <new>

// Memory for one object of type T on the process heap; null when the heap
// has none. Build the object in it with new (memory) T(...).
template <class T> inline void* AllocateObject()
{
    return HeapAlloc(GetProcessHeap(), 0, sizeof(T));
}

// Destroys object and gives its memory back to the process heap. Accepts
// null.
template <class T> inline void DestroyObject(T* object)
{
    if (!object)
        return;
    object->~T();
    HeapFree(GetProcessHeap(), 0, object);
}

#endif
