; The sample cartridge's viewer: shows one frame of one stage, drawn from the stage's
; own data as the editor reads it, so that any NES emulator shows what the editor shows.
;
;   Right / Left     next / previous frame of the stage (stopping at the ends)
;   Select / Start   next / previous stage (wrapping), at its frame 0
;
; It starts on the first stage, frame 0. The picture: the stage's 256 tiles in the
; background pattern table, its 16 palette bytes in the background palette, each metatile
; of the frame as its four tiles in the name table and its sub-palette in the attribute
; table. It keeps reading what it shows, a part every frame (eight tiles, a row of
; metatiles, a row of the attribute table and the whole palette), so a byte changed under
; it shows within about half a second without a button pressed.
;
; It lives in the last 8 KiB of the fixed bank ($E000-$FFFF) and reads the stages' data
; through the switchable bank at $8000 (mapper 2). This file holds its memory, its start,
; its main loop and its vertical blank; buttons.s, stagedata.s and drawing.s the rest.

.include "stages.inc"
.include "hardware.inc"

FRAME_ROWS   = 15       ; metatile rows of a frame
TILES_BYTES  = 16 * 256
CHUNK_BYTES  = 128      ; tile bytes refreshed each frame: 8 tiles
CHUNK_COUNT  = TILES_BYTES / CHUNK_BYTES
ATTRIBUTE_ROWS = 8

.segment "ZEROPAGE"
stage:       .res 1     ; the stage shown, 0..STAGE_COUNT-1
frame:       .res 1     ; its frame shown
buttons:     .res 1     ; held now
held:        .res 1     ; held at the previous reading
vblanks:     .res 1     ; counts vertical blanks
upload:      .res 1     ; nonzero: the buffer below waits for the next vertical blank
level:       .res 2     ; the frame's first level-map byte
metatiles:   .res 2     ; the stage's first metatile record
subpalettes: .res 2     ; the stage's first sub-palette byte
palette:     .res 2     ; the stage's palette bytes
tiles:       .res 2     ; the stage's first tile byte
record:      .res 2     ; one metatile record (read with Y)
source:      .res 2
cells:       .res 2     ; the first cell of a row of the frame
row:         .res 1
column:      .res 1
cell:        .res 1
attribute:   .res 1
next_chunk:  .res 1     ; what the next refresh reads
next_row:    .res 1
next_attribute_row: .res 1

.segment "BSS"
; What the next vertical blank writes to the picture.
buffer_palette:    .res 16
buffer_tiles:      .res CHUNK_BYTES
buffer_names:      .res 64        ; a metatile row: its upper tile row, then its lower one
buffer_attributes: .res 8
buffer_tiles_at:   .res 2         ; picture addresses, high byte first
buffer_names_at:   .res 2
buffer_attributes_at: .res 2

.segment "CODE"

reset:
    sei
    cld
    ldx #$40
    stx APUFRAME            ; no frame interrupts
    ldx #$FF
    txs
    inx
    stx PPUCTRL             ; no NMI
    stx PPUMASK             ; no picture
    stx DMCFREQ             ; no sample interrupts
    stx APUSTATUS           ; silence
    bit PPUSTATUS
@warm1:
    bit PPUSTATUS           ; the picture unit needs two vertical blanks to wake up
    bpl @warm1
    lda #0
    tax
@clear:
    sta $0000, x
    sta $0100, x
    sta $0200, x
    sta $0300, x
    sta $0400, x
    sta $0500, x
    sta $0600, x
    sta $0700, x
    inx
    bne @clear
@warm2:
    bit PPUSTATUS
    bpl @warm2
    jsr draw_all
main_loop:
    lda vblanks
@wait:
    cmp vblanks
    beq @wait
    jsr read_buttons
    jsr follow_buttons
    bcc @refresh
    jsr draw_all
    jmp main_loop
@refresh:
    jsr prepare_refresh
    jmp main_loop

.include "buttons.s"
.include "stagedata.s"
.include "drawing.s"

nmi:
    pha
    txa
    pha
    tya
    pha
    lda upload
    bne @write
    jmp @done
@write:
    bit PPUSTATUS
    lda #>PALETTE
    sta PPUADDR
    lda #<PALETTE
    sta PPUADDR
    .repeat 16, i
        lda buffer_palette + i
        sta PPUDATA
    .endrepeat
    lda buffer_tiles_at
    sta PPUADDR
    lda buffer_tiles_at + 1
    sta PPUADDR
    .repeat CHUNK_BYTES, i
        lda buffer_tiles + i
        sta PPUDATA
    .endrepeat
    lda buffer_names_at
    sta PPUADDR
    lda buffer_names_at + 1
    sta PPUADDR
    .repeat 64, i
        lda buffer_names + i
        sta PPUDATA
    .endrepeat
    lda buffer_attributes_at
    sta PPUADDR
    lda buffer_attributes_at + 1
    sta PPUADDR
    .repeat 8, i
        lda buffer_attributes + i
        sta PPUDATA
    .endrepeat
    lda #0
    sta upload
@done:
    jsr show_picture
    inc vblanks
    pla
    tay
    pla
    tax
    pla
irq:
    rti

.segment "RODATA"
bank_numbers:
    .byte 0, 1, 2, 3, 4, 5, 6, 7

.segment "VECTORS"
    .word nmi, reset, irq
