// The call watch of checked_call.h: the call itself is made here, in assembly, so that no
// compiler decides where the stack pointer is read or when the arguments are removed.
#include "checked_call.h"

// uint32_t vemo_checked_call(const void* function, const uint32_t* arguments, uint32_t count,
//                            uint32_t callerCleans, int32_t* stackDelta)   (cdecl)
asm(R"(
    .text
    .globl _vemo_checked_call
_vemo_checked_call:
    pushl %ebp
    movl  %esp, %ebp
    pushl %esi
    pushl %edi
    movl  12(%ebp), %esi        # arguments
    movl  16(%ebp), %ecx        # count
    movl  %esp, %edi            # the stack pointer before the arguments (edi survives the call)
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%esi,%ecx,4)         # the last argument first
    jmp   1b
2:  call  *8(%ebp)
    cmpl  $0, 20(%ebp)          # callerCleans: the declared convention is cdecl
    je    3f
    movl  16(%ebp), %ecx
    leal  (%esp,%ecx,4), %esp
3:  movl  %esp, %ecx
    subl  %edi, %ecx
    movl  24(%ebp), %edx
    movl  %ecx, (%edx)          # *stackDelta
    movl  %edi, %esp            # whatever the callee did, the stack is as before
    popl  %edi
    popl  %esi
    popl  %ebp
    ret
)");
